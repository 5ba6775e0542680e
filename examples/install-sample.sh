#!/usr/bin/env bash
# Sets up the sample installation of the learning product and two children's
# editions, to try the completion page of the wizard on:
#   1. copies examples/sample to TARGET (default /tmp/pelmora-sample), so the
#      wizard's changes never touch the checkout;
#   2. writes TARGET/sample.reg with the paths of TARGET;
#   3. imports it with `pelmora --import-registry` into the registry hive
#      TARGET/registry.reg, leaving your own registry alone.
# PELMORA may name the program (default: build/bin/pelmora of this checkout).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
target=${1:-/tmp/pelmora-sample}
pelmora=${PELMORA:-$here/../build/bin/pelmora}

if [ ! -x "$pelmora" ]; then
    echo "install-sample.sh: $pelmora not found; build the program first (scripts/build)" >&2
    echo "or name it with PELMORA=/path/to/pelmora" >&2
    exit 1
fi
case "$target" in
    /*) ;;
    *) target="$(pwd)/$target" ;;
esac

rm -rf "$target"
mkdir -p "$target"
cp -R "$here/sample/." "$target/"

# The product's install directory ends with a separator: the program appends
# "QRV.INI" to it directly.
printf '%s\r\n' \
    'REGEDIT4' \
    '' \
    '[HKEY_LOCAL_MACHINE\SOFTWARE\Vendrel\Qrv50]' \
    "\"InstallDir\"=\"$target/Qrv/\"" \
    '' \
    '[HKEY_LOCAL_MACHINE\SOFTWARE\Vendrel\TIKO_CP]' \
    "\"InstallDir\"=\"$target/TikoCP\"" \
    '' \
    '[HKEY_LOCAL_MACHINE\SOFTWARE\Vendrel\TIKO_CE]' \
    "\"InstallDir\"=\"$target/TikoCE\"" \
    '' >"$target/sample.reg"

export PELMORA_REGISTRY="$target/registry.reg"
"$pelmora" --import-registry "$target/sample.reg"

cat <<MSG

Sample installation ready in $target:
  Qrv/QRV.INI              the product's main settings (users root \$QRVDIR\$\\..\\Users\\)
  Users/UserList.dat       two students: Anna Martin (anna01), Bruno Keller (bruno02)
  Users/*/options.ini      each student's settings
  TikoCP/Tiko.ini, TikoCE/Tiko.ini   the two children's editions

Run the wizard on it:
  PELMORA_REGISTRY=$target/registry.reg $pelmora --sound=virtual
MSG
