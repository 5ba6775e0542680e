#!/usr/bin/env bash
# Makes the small WAVE files the audio tests read, as other programs write
# them. Needs sox and python3 (Debian packages of the same names); the results
# are kept in the repository, so the tests themselves need neither.
#
#   ext24.wav       sox, 24-bit mono: the extensible header with the PCM sub-format
#   pcm24.wav       the same samples converted by sox to the plain PCM header (-t wavpcm)
#   ext3ch.wav      sox, 16-bit, three channels: extensible header
#   pcm3ch.wav      the same samples with the plain PCM header
#   extfloat.wav    python, byte by byte: 32-bit float stereo with the extensible
#                   header and the float sub-format, as sound editors write it
#   ext16.wav       python, byte by byte: 16-bit stereo 22050 Hz with the
#                   extensible header, as some recorders write every file
#   oddlist.wav     python's wave module, 16-bit mono, with a LIST/INFO chunk of
#                   odd length and its pad byte between fmt and data
#   oddlist8.wav    sox, 8-bit mono, with the same LIST chunk inserted
#   partial.wav     python's wave module, 16-bit stereo, 1001 frames and half a frame
#   cut.wav         sox, 16-bit stereo, cut inside a sample frame (a broken copy)
#
# sox dithers, so each run makes other bytes; the tests compare files of one
# run with each other.
set -euo pipefail
cd "$(dirname "$0")"

sox -n -r 11025 -c 1 -b 24 ext24.wav synth 0.05 sine 440 vol 0.5
sox ext24.wav -t wavpcm pcm24.wav
sox -n -r 11025 -c 3 -b 16 ext3ch.wav synth 0.05 sine 440 sine 550 sine 660 vol 0.5
sox ext3ch.wav -t wavpcm pcm3ch.wav
sox -n -r 11025 -c 1 -b 8 "${TMPDIR:-/tmp}/pelmora-8bit.wav" synth 0.05 sine 440 vol 0.5

python3 - <<'PY'
import math, struct, wave

def sine(count, channels, amplitude=8000):
    frames = bytearray()
    for i in range(count):
        for c in range(channels):
            v = int(round(amplitude * math.sin(2 * math.pi * (440 + 220 * c) * i / 22050)))
            frames += struct.pack('<h', v)
    return bytes(frames)

# The extensible header, field by field.
data = sine(2205, 2)
fmt = struct.pack('<HHIIHHHHI', 0xFFFE, 2, 22050, 22050 * 4, 4, 16, 22, 16, 0x3)
fmt += bytes.fromhex('0100000000001000800000aa00389b71')
body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt
body += b'data' + struct.pack('<I', len(data)) + data
with open('ext16.wav', 'wb') as f:
    f.write(b'RIFF' + struct.pack('<I', len(body)) + body)

# The float sub-format (00000003-0000-0010-8000-00AA00389B71).
floats = b''.join(struct.pack('<ff', 0.25 * math.sin(i / 10), 0.0) for i in range(200))
fmt = struct.pack('<HHIIHHHHI', 0xFFFE, 2, 22050, 22050 * 8, 8, 32, 22, 32, 0x3)
fmt += bytes.fromhex('0300000000001000800000aa00389b71')
body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt
body += b'fact' + struct.pack('<II', 4, 200)
body += b'data' + struct.pack('<I', len(floats)) + floats
with open('extfloat.wav', 'wb') as f:
    f.write(b'RIFF' + struct.pack('<I', len(body)) + body)

# An INFO list whose length is odd: a software name of 13 bytes with its NUL,
# the list padded to an even length as RIFF wants.
name = b'Recorder 1.2\0'
info = b'INFO' + b'ISFT' + struct.pack('<I', len(name)) + name
odd_list = b'LIST' + struct.pack('<I', len(info)) + info + b'\0'
assert len(info) % 2 == 1

def insert_before_data(path, out, chunk):
    raw = open(path, 'rb').read()
    at = raw.index(b'data', 12)
    raw = raw[:at] + chunk + raw[at:]
    raw = raw[:4] + struct.pack('<I', len(raw) - 8) + raw[8:]
    open(out, 'wb').write(raw)

with wave.open('oddlist-base.wav', 'wb') as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(11025)
    w.writeframes(sine(551, 1))
insert_before_data('oddlist-base.wav', 'oddlist.wav', odd_list)

import os
insert_before_data(os.path.join(os.environ.get('TMPDIR', '/tmp'), 'pelmora-8bit.wav'),
                   'oddlist8.wav', odd_list)
os.remove('oddlist-base.wav')

# Half a sample frame after the last whole one: the header states the bytes written.
with wave.open('partial.wav', 'wb') as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(11025)
    w.writeframesraw(sine(1001, 2) + b'\x34\x12')
PY
rm -f "${TMPDIR:-/tmp}/pelmora-8bit.wav"

sox -n -r 11025 -c 2 -b 16 "${TMPDIR:-/tmp}/pelmora-cut.wav" synth 0.2 sine 440 sine 660 vol 0.5
head -c 3001 "${TMPDIR:-/tmp}/pelmora-cut.wav" > cut.wav
rm -f "${TMPDIR:-/tmp}/pelmora-cut.wav"
