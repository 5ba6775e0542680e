#!/bin/sh
# Generates the voices of the audio-level page's left and right buttons:
# left.wav says "left" on the left channel and right.wav says "right" on the
# right channel, the other channel silent (22050 Hz, 16-bit, stereo, like the
# music; normalised, with a short pause before and after). The files are kept
# in the repository; resources/SideVoiceData.cpp embeds them at build time.
# Needs espeak-ng and sox. Run from anywhere.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

espeak-ng -v en-us -s 150 -w "$tmp/left.wav" "left"
espeak-ng -v en-us -s 150 -w "$tmp/right.wav" "right"
sox -D "$tmp/left.wav" -r 22050 -b 16 -c 2 "$here/left.wav" norm -3 remix 1 0 pad 0.1 0.2
sox -D "$tmp/right.wav" -r 22050 -b 16 -c 2 "$here/right.wav" norm -3 remix 0 1 pad 0.1 0.2
echo "wrote $here/left.wav and $here/right.wav"
