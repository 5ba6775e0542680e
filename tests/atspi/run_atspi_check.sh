#!/bin/sh
# Runs check_wizard.py as a screen reader would meet the wizard: an X server
# of its own (Xvfb), a private session bus with the accessibility bus on it,
# a scratch home, and the virtual card with a microphone that gives a steady
# tone (the meter shows it; the verdict is that no voice was heard).
#   run_atspi_check.sh PROGRAM
# Needs xvfb, at-spi2-core, dbus, python3-pyatspi and xdotool (scripts/deps.sh
# test installs them).
set -eu
program=$1
here=$(cd "$(dirname "$0")" && pwd)
launcher=/usr/libexec/at-spi-bus-launcher

missing=""
for tool in Xvfb dbus-run-session xdotool; do
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
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
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

# The X server picks a free display and writes its number once it listens.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
tries=0
while [ ! -s "$scratch/display" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "Xvfb did not start:" >&2
        cat "$scratch/xvfb.log" >&2
        exit 1
    fi
    sleep 0.1
done
export DISPLAY=":$(cat "$scratch/display")"

dbus-run-session -- sh -c '
    "$1" --launch-immediately >/dev/null 2>&1 &
    launcher=$!
    "$2" "$3" "$4" "$5" "$6"
    status=$?
    kill $launcher 2>/dev/null
    exit $status
' sh "$launcher" "$python" "$here/check_wizard.py" "$program" "$scratch/card.ini" \
    "No voice was heard"
