#!/usr/bin/env bash
# x-desktop.sh COMMAND [ARGS...]: runs COMMAND on an X desktop of its own: a
# fresh Xvfb display with the openbox window manager, as a user's session
# has one, and Qt on its X11 platform. Answers COMMAND's status; 1 when the
# desktop cannot be started.
set -euo pipefail
for tool in Xvfb openbox xdotool xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "x-desktop: $tool is missing (scripts/deps.sh test installs it)" >&2
        exit 1
    fi
done
scratch=$(mktemp -d)
cleanup() {
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null || true
    [ -n "${server:-}" ] && kill "$server" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
# The server names its display once it is ready to take clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
server=$!
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.05
done
if [ ! -s "$scratch/display" ]; then
    echo "x-desktop: Xvfb did not start:" >&2
    cat "$scratch/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(cat "$scratch/display")"
HOME="$scratch" openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
wm=$!
# The window manager is up once it owns the screen's manager selection.
for _ in $(seq 100); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
        break
    fi
    sleep 0.05
done
export QT_QPA_PLATFORM=xcb
set +e
"$@"
status=$?
exit $status
