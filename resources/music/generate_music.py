#!/usr/bin/env python3
"""Generates the program's music (WAVE resource 164): a gentle ten-second
piece - a soft electric-piano melody over pad chords and a bass line - that
loops without a click.

The piece is rendered circularly: every note's tail that runs past the end of
the loop is added back at its start, so the last sample flows into the first
exactly as within the piece. Output: music.wav, 22050 Hz, 16-bit, stereo.

    python3 generate_music.py [output.wav]
"""
import struct
import sys

import numpy as np

RATE = 22050
BPM = 96
BEATS = 16                                   # four bars of 4/4
BEAT = 60.0 / BPM                            # 0.625 s
LENGTH = int(round(BEATS * BEAT * RATE))     # exactly 10 s = 220500 frames


def freq(midi):
    return 440.0 * 2.0 ** ((midi - 69) / 12.0)


def envelope(n, attack, release, decay):
    """Soft attack, exponential body, smooth release to silence."""
    t = np.arange(n) / RATE
    env = np.exp(-t / decay) if decay else np.ones(n)
    a = max(1, int(attack * RATE))
    env[:a] *= 0.5 - 0.5 * np.cos(np.linspace(0, np.pi, a))
    r = max(1, int(release * RATE))
    env[-r:] *= 0.5 + 0.5 * np.cos(np.linspace(0, np.pi, r))
    return env


def epiano(midi, seconds):
    n = int(seconds * RATE)
    t = np.arange(n) / RATE
    f = freq(midi)
    tone = (np.sin(2 * np.pi * f * t)
            + 0.35 * np.sin(2 * np.pi * 2 * f * t) * np.exp(-t / 0.4)
            + 0.12 * np.sin(2 * np.pi * 3 * f * t) * np.exp(-t / 0.2)
            + 0.05 * np.sin(2 * np.pi * 4.01 * f * t) * np.exp(-t / 0.1))
    return tone * envelope(n, 0.008, 0.25, 0.9)


def pad(midi, seconds):
    n = int(seconds * RATE)
    t = np.arange(n) / RATE
    f = freq(midi)
    # Two slightly detuned voices with a slow shimmer.
    tone = (np.sin(2 * np.pi * f * 0.998 * t) + np.sin(2 * np.pi * f * 1.002 * t)
            + 0.25 * np.sin(2 * np.pi * 2 * f * t))
    tone *= 1.0 + 0.08 * np.sin(2 * np.pi * 0.4 * t)
    return tone * envelope(n, 0.45, 0.6, 0)


def bass(midi, seconds):
    n = int(seconds * RATE)
    t = np.arange(n) / RATE
    f = freq(midi)
    tone = np.sin(2 * np.pi * f * t) + 0.2 * np.sin(2 * np.pi * 2 * f * t)
    return tone * envelope(n, 0.02, 0.2, 1.2)


def place(track, sound, beat, pan):
    """Adds a sound at a beat, wrapping whatever passes the loop's end."""
    start = int(round(beat * BEAT * RATE)) % LENGTH
    idx = (start + np.arange(len(sound))) % LENGTH
    left = np.cos(pan * np.pi / 2)
    right = np.sin(pan * np.pi / 2)
    np.add.at(track[:, 0], idx, sound * left)
    np.add.at(track[:, 1], idx, sound * right)


# C major: C - Am - F - G, one chord per bar (MIDI notes).
CHORDS = [
    [60, 64, 67],   # C
    [57, 60, 64],   # Am
    [53, 57, 60],   # F
    [55, 59, 62],   # G
]
BASS = [36, 33, 29, 31]

# Melody: (beat, MIDI note, length in beats).
MELODY = [
    (0.0, 76, 1.0), (1.0, 79, 0.5), (1.5, 76, 0.5), (2.0, 74, 1.0), (3.0, 72, 1.0),
    (4.0, 72, 1.0), (5.0, 76, 1.0), (6.0, 74, 0.5), (6.5, 72, 0.5), (7.0, 69, 1.0),
    (8.0, 69, 1.0), (9.0, 72, 0.5), (9.5, 74, 0.5), (10.0, 77, 1.0), (11.0, 76, 1.0),
    (12.0, 74, 1.5), (13.5, 71, 0.5), (14.0, 74, 1.0), (15.0, 79, 1.0),
]


def render():
    track = np.zeros((LENGTH, 2))
    for bar, chord in enumerate(CHORDS):
        for k, note in enumerate(chord):
            place(track, 0.10 * pad(note, 4 * BEAT + 0.5), 4 * bar, 0.35 + 0.15 * k)
        place(track, 0.22 * bass(BASS[bar], 2 * BEAT), 4 * bar, 0.5)
        place(track, 0.16 * bass(BASS[bar] + 7, 2 * BEAT), 4 * bar + 2, 0.5)
        # A soft broken chord on the off-beats.
        for k, beat in enumerate((0.5, 1.5, 2.5, 3.5)):
            note = chord[k % 3] + 12
            place(track, 0.07 * epiano(note, BEAT * 1.5), 4 * bar + beat, 0.7)
    for beat, note, beats in MELODY:
        place(track, 0.26 * epiano(note, beats * BEAT + 0.6), beat, 0.4)
    peak = np.max(np.abs(track))
    return track / peak * 0.6


def write_wave(path, track):
    samples = np.round(track * 32767).astype('<i2')
    data = samples.tobytes()
    channels = 2
    header = b'RIFF' + struct.pack('<I', 36 + len(data)) + b'WAVE'
    header += b'fmt ' + struct.pack('<IHHIIHH', 16, 1, channels, RATE, RATE * channels * 2,
                                    channels * 2, 16)
    header += b'data' + struct.pack('<I', len(data))
    with open(path, 'wb') as out:
        out.write(header + data)


if __name__ == '__main__':
    write_wave(sys.argv[1] if len(sys.argv) > 1 else 'music.wav', render())
