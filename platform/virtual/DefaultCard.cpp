// The built-in card: what a common PC sound card shows through the mixer and
// wave calls.
#include "platform/virtual/CardModel.h"

namespace plat {

std::vector<PcmFormat> AllPcmFormats() {
    std::vector<PcmFormat> formats;
    for (DWORD rate : {8000u, 11025u, 22050u, 44100u})
        for (WORD bits : {WORD(8), WORD(16)})
            for (WORD channels : {WORD(1), WORD(2)})
                formats.push_back({rate, bits, channels});
    return formats;
}

namespace {

VirtualControl Volume(DWORD channels, LONG value) {
    VirtualControl c;
    c.type = MIXERCONTROL_CONTROLTYPE_VOLUME;
    c.shortName = "Volume";
    c.name = "Volume";
    c.minimum = 0;
    c.maximum = 65535;
    c.steps = 65535;
    c.values.assign(channels, value);
    return c;
}

VirtualControl Mute(bool muted) {
    VirtualControl c;
    c.type = MIXERCONTROL_CONTROLTYPE_MUTE;
    c.shortName = "Mute";
    c.name = "Mute";
    c.flags = MIXERCONTROL_CONTROLF_UNIFORM;
    c.minimum = 0;
    c.maximum = 1;
    c.steps = 1;
    c.values = {muted ? 1 : 0};
    return c;
}

VirtualLine Line(const char* shortName, const char* name, DWORD type, DWORD channels) {
    VirtualLine l;
    l.shortName = shortName;
    l.name = name;
    l.componentType = type;
    l.channels = channels;
    return l;
}

} // namespace

VirtualCardDesc DefaultCardDesc() {
    VirtualCardDesc card;

    VirtualMixer mixer;
    mixer.name = "Virtual Mixer";

    VirtualLine speakers = Line("Speakers", "Speakers", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2);
    speakers.targetType = MIXERLINE_TARGETTYPE_WAVEOUT;
    speakers.controls = {Volume(2, 49152), Mute(false)};
    VirtualLine wave = Line("Wave", "Wave Out", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2);
    wave.targetType = MIXERLINE_TARGETTYPE_WAVEOUT;
    wave.controls = {Volume(2, 49152), Mute(false)};
    VirtualLine cd = Line("CD", "CD Audio", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, 2);
    cd.controls = {Volume(2, 32768), Mute(true)};
    VirtualLine lineIn = Line("Line In", "Line In", MIXERLINE_COMPONENTTYPE_SRC_LINE, 2);
    lineIn.controls = {Volume(2, 32768), Mute(true)};
    VirtualLine mic = Line("Microphone", "Microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1);
    mic.controls = {Volume(1, 32768), Mute(true)};
    speakers.sources = {wave, cd, lineIn, mic};

    VirtualLine recording =
        Line("Recording", "Recording Control", MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 2);
    recording.targetType = MIXERLINE_TARGETTYPE_WAVEIN;
    VirtualControl mux;
    mux.type = MIXERCONTROL_CONTROLTYPE_MUX;
    mux.shortName = "Mux";
    mux.name = "Recording Source";
    mux.flags = MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE;
    mux.minimum = 0;
    mux.maximum = 1;
    mux.steps = 1;
    mux.items = {{"Microphone", 0, 0}, {"Line In", 0, 0}};
    mux.values = {0, 1}; // line-in selected: the wizard has to pick the microphone
    recording.controls = {Volume(2, 32768), mux};
    VirtualLine recMic =
        Line("Microphone", "Microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1);
    recMic.controls = {Volume(1, 16384)};
    VirtualLine recLine = Line("Line In", "Line In", MIXERLINE_COMPONENTTYPE_SRC_LINE, 2);
    recLine.controls = {Volume(2, 32768)};
    recording.sources = {recMic, recLine};

    mixer.destinations = {speakers, recording};
    card.mixers.push_back(mixer);

    VirtualWaveDevice out;
    out.name = "Virtual Wave Out";
    out.channels = 2;
    out.support = WAVECAPS_VOLUME | WAVECAPS_LRVOLUME;
    out.formats = AllPcmFormats();
    card.waveOut.push_back(out);

    VirtualWaveDevice in;
    in.name = "Virtual Wave In";
    in.channels = 2;
    in.formats = AllPcmFormats();
    card.waveIn.push_back(in);
    return card;
}

} // namespace plat
