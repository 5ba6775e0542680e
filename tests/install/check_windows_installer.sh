#!/usr/bin/env bash
# check_windows_installer.sh BUILD_WIN_DIR: runs BUILD_WIN_DIR/pelmora-setup.exe
# silently under Wine in a fresh prefix of its own, checks what it installed
# (the files, the Start-menu entry, the "Add or remove programs" key, the
# installed program's version), runs the uninstaller silently and checks that
# the prefix's program files, Start menu and registry are as they were before.
# Needs wine (wine64) and, for the shortcut, nothing else: no display.
set -euo pipefail
# A step that fails ends the check saying which, never silently.
trap 'echo "check_windows_installer: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: $0 BUILD_WIN_DIR}" && pwd)
setup=$build/pelmora-setup.exe
[ -f "$setup" ] || {
    echo "FAIL: $setup missing (build the windows_installer target)" >&2
    exit 1
}
version=$(sed -n 's/^project(Pelmora VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/pelmora-wininst.XXXXXX")
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

wineboot -i >/dev/null 2>&1
wineserver -w
drive=$WINEPREFIX/drive_c
programs="$drive/Program Files/Pelmora"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmora'

# What an install may change: the program folders, every Start menu, the
# machine's and the user's software keys.
snapshot() {
    local out=$1
    (
        cd "$drive"
        # A folder Wine has not made in this prefix is no failure.
        { find "Program Files" "Program Files (x86)" ProgramData users -path '*/Temp' -prune \
            -o -print 2>/dev/null || true; } | LC_ALL=C sort
    ) >"$out.files"
    for hive in 'HKLM\Software' 'HKCU\Software'; do
        wine reg export "$hive" "$out.reg" /y >/dev/null 2>&1
        # UTF-16 to text; the export's header line and Wine's own
        # time-stamp lines are not ours.
        iconv -f UTF-16LE -t UTF-8 "$out.reg" | tr -d '\r' | grep -v '^#time=' >>"$out.keys"
    done
    rm -f "$out.reg"
}

snapshot "$scratch/before"

# NSIS ends with 2 when it aborts, as on a damaged installer (its CRC check).
code=0
wine "$(winepath -w "$setup")" /S || code=$?
if [ "$code" -ne 0 ]; then
    echo "FAIL: the silent install of $setup ended with code $code" >&2
    exit 1
fi
wineserver -w

# ---- what the installer put there ------------------------------------------------
for file in bin/pelmora.exe bin/Trace.dll uninstall.exe; do
    [ -f "$programs/$file" ] || fail "not installed: Program Files/Pelmora/$file"
done
for lang in "$root"/resources/lang/*.INI; do
    name=$(basename "$lang")
    cmp -s "$lang" "$programs/share/pelmora/lang/$name" ||
        fail "translation $name missing or changed in share/pelmora/lang"
done
[ -f "$menu/Pelmora.lnk" ] || fail "no Start-menu entry $menu/Pelmora.lnk"
grep -qa 'pelmora.exe' "$menu/Pelmora.lnk" 2>/dev/null || fail "the Start-menu entry names no pelmora.exe"

query() { wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z]* *//p"; }
[ "$(query DisplayName)" = Pelmora ] || fail "uninstall key: DisplayName is '$(query DisplayName)'"
[ "$(query DisplayVersion)" = "$version" ] ||
    fail "uninstall key: DisplayVersion is '$(query DisplayVersion)', not $version"
uninstall=$(query UninstallString)
[ "$uninstall" = '"C:\Program Files\Pelmora\uninstall.exe"' ] ||
    fail "uninstall key: UninstallString is '$uninstall'"

# The installed program runs from its folder and reads its own version.
shown=$(wine 'C:\Program Files\Pelmora\bin\pelmora.exe' --version 2>/dev/null | tr -d '\r') ||
    fail "the installed program does not run"
case "$shown" in
*"$version"*) ;;
*) fail "the installed program says '$shown', not version $version" ;;
esac

# ---- the uninstaller takes everything away again -----------------------------------
wine 'C:\Program Files\Pelmora\uninstall.exe' /S
# The uninstaller runs a copy of itself from the temporary folder and ends
# before that copy has done its work: wait for every process of the prefix.
wineserver -w

snapshot "$scratch/after"
if ! diff -u "$scratch/before.files" "$scratch/after.files" >"$scratch/files.diff"; then
    fail "the uninstall left files or folders behind (or took others away):"
    sed -n '3,$p' "$scratch/files.diff" | grep '^[-+]' >&2 || true
fi
if ! diff -u "$scratch/before.keys" "$scratch/after.keys" >"$scratch/keys.diff"; then
    fail "the uninstall left registry keys or values behind (or took others away):"
    sed -n '3,$p' "$scratch/keys.diff" | grep '^[-+]' | head -40 >&2 || true
fi

if [ "$failures" -ne 0 ]; then
    echo "check_windows_installer: $failures failure(s)" >&2
    exit 1
fi
echo "check_windows_installer: installed, checked and uninstalled without a trace"
