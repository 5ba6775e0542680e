#!/bin/sh
# Runs check_wizard.py as a screen reader would meet the wizard, on the X
# desktop it is started on (tests/desktop/x-desktop.sh), a private session bus with the accessibility bus on it,
# a scratch home, and the virtual card with a microphone that gives a steady
# tone (the meter shows it; the verdict is that no voice was heard).
#   run_atspi_check.sh PROGRAM
# Needs at-spi2-core, dbus, python3-pyatspi and xdotool (scripts/deps.sh
# test installs them).
set -eu
program=$1
here=$(cd "$(dirname "$0")" && pwd)
launcher=/usr/libexec/at-spi-bus-launcher

missing=""
for tool in dbus-run-session xdotool; do
    command -v "$tool" >/dev/null 2>&1 || missing="$missing $tool"
done
[ -x "$launcher" ] || missing="$missing $launcher"
# pyatspi is Debian's, for Debian's python3 (another python3 may come first).
python=/usr/bin/python3
"$python" -c 'import pyatspi' 2>/dev/null || missing="$missing pyatspi"
if [ -n "$missing" ]; then
    echo "missing:$missing (install them with: scripts/deps.sh test)" >&2
    exit 1
fi

scratch=$(mktemp -d)
if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: run it under tests/desktop/x-desktop.sh" >&2
    exit 1
fi
cleanup() {
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

# Nothing of the user's: settings, registry, temporary files and the restore
# marker of an earlier run all live in the scratch directory.
mkdir -p "$scratch/home" "$scratch/tmp" "$scratch/run"
chmod 700 "$scratch/run"
export HOME="$scratch/home" TMPDIR="$scratch/tmp" XDG_RUNTIME_DIR="$scratch/run"
export XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
export LANGUAGE=en LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM WAYLAND_DISPLAY PELMORA_REGISTRY DBUS_SESSION_BUS_ADDRESS

cat >"$scratch/card.ini" <<'EOF'
[Card]
Name=Steady tone
Base=default
Microphone=sine 8000 440
EOF

dbus-run-session -- sh -c '
    "$1" --launch-immediately >/dev/null 2>&1 &
    launcher=$!
    "$2" "$3" "$4" "$5" "$6"
    status=$?
    kill $launcher 2>/dev/null
    exit $status
' sh "$launcher" "$python" "$here/check_wizard.py" "$program" "$scratch/card.ini" \
    "No voice was heard"
