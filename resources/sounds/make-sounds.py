#!/usr/bin/env python3
"""Writes the three default sounds of the options: short sine chimes, 16-bit mono 22050 Hz."""
import math
import os
import struct
import wave

RATE = 22050


def tone(notes, path):
    frames = bytearray()
    for frequency, seconds in notes:
        count = int(RATE * seconds)
        for i in range(count):
            # A quick attack and an exponential fade keep the clicks out.
            envelope = min(1.0, i / 200.0) * math.exp(-4.0 * i / count)
            sample = 0.45 * envelope * math.sin(2 * math.pi * frequency * i / RATE)
            frames += struct.pack('<h', int(sample * 32767))
    with wave.open(path, 'wb') as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(frames))


here = os.path.dirname(os.path.abspath(__file__))
tone([(660, 0.12), (880, 0.22)], os.path.join(here, 'Loggedin.wav'))
tone([(330, 0.18), (247, 0.30)], os.path.join(here, 'Error.wav'))
tone([(784, 0.10), (988, 0.10), (1319, 0.25)], os.path.join(here, 'TransferDone.wav'))
