// The header of one MPEG audio frame: four bytes read as a little-endian
// 32-bit value whose low byte is the first byte in the file.
#pragma once

#include "platform/types.h"

struct Mp3FrameInfo {
    bool mpeg1 = false;
    int layer = 0;              // 1 = layer III, 2 = layer II, 3 = layer I, 0 = reserved
    plat::DWORD bitRate = 0;    // bits per second
    plat::DWORD sampleRate = 0; // Hz
    int channelMode = 0;        // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    plat::WORD samplesPerFrame = 0;
    float frameMs = 0; // length x 8 / bitRate x 1000

    int Channels() const { return channelMode == 3 ? 1 : 2; }
    bool IsLayer3() const { return layer == 1; }
};

// Parses the four header bytes at p. Returns the frame length in bytes and
// fills info, or returns 0 and clears info when the bytes are no usable MPEG
// audio header: no sync, the reserved version, a reserved layer, a free-format
// or invalid bit-rate index, or the reserved sample-rate index.
plat::WORD ParseMp3FrameHeader(const unsigned char* p, Mp3FrameInfo& info);

// True when two headers belong to the same stream: same version, layer,
// sample rate and channel mode (what a resynchronisation must find again).
bool SameMp3Stream(const Mp3FrameInfo& a, const Mp3FrameInfo& b);
