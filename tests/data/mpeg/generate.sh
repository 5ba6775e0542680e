#!/usr/bin/env bash
# Makes the small MPEG audio files the audio tests read, and the reference
# decode they compare against. Needs sox, lame and mpg123 (Debian packages of
# the same names); the results are kept in the repository, so the tests
# themselves need none of them.
#
#   tone128.mp3   2 s, 440 Hz, mono, 44100 Hz, 128 kbit/s (frames of 417/418 bytes)
#   tone128.pcm   its decode by mpg123, 16-bit little-endian, every frame kept
#   stereo48.snf  1 s, 440/660 Hz, stereo, 48000 Hz, 128 kbit/s (frames of 384 bytes)
#   lsf22.mp3     1 s, 440 Hz, mono, MPEG-2 22050 Hz, 32 kbit/s (576 samples a frame)
#
# The same short sound with the tags other programs write around the frames:
#   short.mp3          0.3 s, 440 Hz, mono, 44100 Hz, 128 kbit/s, no tag
#   short-lame-v2.mp3  the encoder's own ID3v2.3 tag in front and ID3v1 at the end
#   short-lame-v2only.mp3  the encoder's ID3v2.3 tag alone
#   short-eyed3.mp3    short.mp3 tagged by eyeD3: ID3v2.4 with padding
#   short-id3v2.mp3    short.mp3 tagged by id3v2: ID3v2.3 with padding and ID3v1
#   short-mp3gain.mp3  short-id3v2.mp3 analysed by mp3gain, which adds an APE
#                      tag between the frames and the ID3v1 tag
# These need id3v2, eyed3 and mp3gain as well (Debian packages of those names).
# sox dithers, so each run makes other bytes: the tests compare the files of
# one run with each other and with the reference decode of the same run.
#
# The encoder writes no info frame (-t), so every frame holds sound.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sox -n -r 44100 -c 1 -b 16 "$tmp/mono44.wav" synth 2 sine 440 vol 0.5
sox -n -r 48000 -c 2 -b 16 "$tmp/stereo48.wav" synth 1 sine 440 sine 660 vol 0.5
sox -n -r 22050 -c 1 -b 16 "$tmp/mono22.wav" synth 1 sine 440 vol 0.5

lame --quiet -t --cbr -b 128 -m m "$tmp/mono44.wav" tone128.mp3
lame --quiet -t --cbr -b 128 -m s "$tmp/stereo48.wav" stereo48.snf
lame --quiet -t --cbr -b 32 -m m "$tmp/mono22.wav" lsf22.mp3

# mpg123 writes the host byte order: run this on a little-endian machine.
mpg123 --quiet --no-gapless -e s16 -s tone128.mp3 > tone128.pcm

sox -n -r 44100 -c 1 -b 16 "$tmp/short.wav" synth 0.3 sine 440 vol 0.5
lame --quiet -t --cbr -b 128 -m m "$tmp/short.wav" short.mp3
lame --quiet -t --cbr -b 128 -m m --tt Title --ta Artist --add-id3v2 "$tmp/short.wav" short-lame-v2.mp3
lame --quiet -t --cbr -b 128 -m m --tt Title --ta Artist --id3v2-only "$tmp/short.wav" short-lame-v2only.mp3
cp short.mp3 short-eyed3.mp3
eyeD3 --quiet --no-color -t Title -a Artist -A Album short-eyed3.mp3 >/dev/null
cp short.mp3 short-id3v2.mp3
id3v2 -t Title -a Artist short-id3v2.mp3
cp short-id3v2.mp3 short-mp3gain.mp3
mp3gain -q short-mp3gain.mp3 >/dev/null
