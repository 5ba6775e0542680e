#!/bin/sh
# Generates the virtual microphone's test sentence, voice.wav (11025 Hz,
# 16-bit, mono, the sentence followed by a pause, normalised). The file is kept
# in the repository; platform/virtual/VoiceData.cpp embeds it at build time.
# Needs espeak-ng and sox. Run from anywhere.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

espeak-ng -v en-us -s 150 -w "$tmp/raw.wav" "I am testing the microphone."
sox "$tmp/raw.wav" -r 11025 -b 16 -c 1 "$here/voice.wav" norm -3 pad 0.3 0.9
echo "wrote $here/voice.wav"
