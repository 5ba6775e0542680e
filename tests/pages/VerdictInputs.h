// What the virtual microphone hears in the verdict tests and pictures of the
// microphone page: the test sentence scaled, over steady noise, written as a
// WAVE file the microphone plays in a loop; and a card whose recording master
// stands at the top, so the slider alone sets how loud the voice comes in.
#pragma once

#include "platform/virtual/CardModel.h"
#include "platform/virtual/Microphone.h"
#include "platform/virtual/WaveData.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace verdict_inputs {

inline plat::VirtualCardDesc MasterAtTheTop() {
    plat::VirtualCardDesc desc = plat::DefaultCardDesc();
    for (plat::VirtualLine& line : desc.mixers.at(0).destinations)
        if (line.componentType == plat::MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            for (plat::VirtualControl& control : line.controls)
                if (control.type == plat::MIXERCONTROL_CONTROLTYPE_VOLUME)
                    std::fill(control.values.begin(), control.values.end(), 65535);
    return desc;
}

// The embedded test sentence, 16-bit mono.
inline bool Voice(plat::WaveData& wave, std::string& error) {
    std::size_t size = 0;
    const std::uint8_t* data = plat::VoiceWave(size);
    return plat::ParseWave(data, size, wave, error);
}

// Writes the sentence times `gain` plus Gaussian noise of RMS `noiseRms` (in
// 16-bit units, always the same noise) to path, clipped to the sample range
// as an amplifier would.
inline bool WriteVoiceOverNoise(const std::string& path, double gain, double noiseRms,
                                std::string& error) {
    plat::WaveData voice;
    if (!Voice(voice, error))
        return false;
    std::mt19937 random(17);
    std::normal_distribution<double> noise(0.0, noiseRms > 0 ? noiseRms : 1e-9);
    std::vector<std::uint8_t> bytes(voice.samples.size());
    for (std::size_t i = 0; i + 1 < voice.samples.size(); i += 2) {
        const auto v = static_cast<std::int16_t>(voice.samples[i] | (voice.samples[i + 1] << 8));
        const double mixed = std::clamp(v * gain + noise(random), -32768.0, 32767.0);
        const auto s = static_cast<std::int16_t>(std::lround(mixed));
        bytes[i] = static_cast<std::uint8_t>(s & 0xFF);
        bytes[i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
    }
    return plat::WriteWaveFile(path, voice.format, bytes, error);
}

inline plat::MicrophoneSignal Signal(plat::MicrophoneSignal::Kind kind, double amplitude = 8000) {
    plat::MicrophoneSignal signal;
    signal.kind = kind;
    signal.amplitude = amplitude;
    return signal;
}

inline plat::MicrophoneSignal FromFile(const std::string& path) {
    plat::MicrophoneSignal signal;
    signal.kind = plat::MicrophoneSignal::Kind::File;
    signal.file = path;
    return signal;
}

// One recording for each verdict: what the microphone hears (files named by
// `file`) and the slider's position.
struct Scene {
    const char* verdict; // key of the UI text section "Verdict"
    const char* what;
    plat::MicrophoneSignal signal;
    int volume;
};

inline bool MakeScenes(const std::string& dir, std::vector<Scene>& scenes, std::string& error) {
    const std::string noisy = dir + "voice-over-noise.wav";
    const std::string shouted = dir + "voice-shouted.wav";
    const std::string clean = dir + "voice-quiet-room.wav";
    if (!WriteVoiceOverNoise(noisy, 0.5, 500, error) ||
        !WriteVoiceOverNoise(shouted, 4.0, 0, error) || !WriteVoiceOverNoise(clean, 1.0, 30, error))
        return false;
    using Kind = plat::MicrophoneSignal::Kind;
    scenes = {
        {"NoVoice", "silence", Signal(Kind::Silence), 6000},
        {"NoVoice", "hiss only", Signal(Kind::Noise, 6000), 6000},
        {"TooQuiet", "the sentence, slider far left", Signal(Kind::Voice), 400},
        {"TooNoisy", "the sentence over loud noise", FromFile(noisy), 9000},
        {"TooLoud", "the sentence shouted, clipped before the slider, slider at the top",
         FromFile(shouted), 10000},
        {"Good", "the sentence, quiet room, slider in the middle", FromFile(clean), 6000},
    };
    return true;
}

} // namespace verdict_inputs
