// The card description file: sections name the parts of the card by number,
// "[Mixer 0 / Destination 1 / Source 0 / Control 2]", keys give their
// properties. Every value is checked; the first wrong one ends the read with
// a message naming the file, the section and the key.
#include "platform/virtual/CardFile.h"

#include "platform/text/ini_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <utility>

namespace plat {

namespace {

// A key that cannot occur in a file, to tell a missing key from an empty one.
const char* const kMissing = "\x01missing\x01";

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> Split(const std::string& s, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = s.find(separator, start);
        parts.push_back(Trim(s.substr(start, end == std::string::npos ? end : end - start)));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

struct Named {
    const char* name;
    DWORD value;
};

const Named kDestinationTypes[] = {
    {"undefined", MIXERLINE_COMPONENTTYPE_DST_UNDEFINED},
    {"digital", MIXERLINE_COMPONENTTYPE_DST_DIGITAL},
    {"line", MIXERLINE_COMPONENTTYPE_DST_LINE},
    {"monitor", MIXERLINE_COMPONENTTYPE_DST_MONITOR},
    {"speakers", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS},
    {"headphones", MIXERLINE_COMPONENTTYPE_DST_HEADPHONES},
    {"telephone", MIXERLINE_COMPONENTTYPE_DST_TELEPHONE},
    {"wavein", MIXERLINE_COMPONENTTYPE_DST_WAVEIN},
    {"voicein", MIXERLINE_COMPONENTTYPE_DST_VOICEIN},
};
const Named kSourceTypes[] = {
    {"undefined", MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED},
    {"digital", MIXERLINE_COMPONENTTYPE_SRC_DIGITAL},
    {"line", MIXERLINE_COMPONENTTYPE_SRC_LINE},
    {"microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
    {"synthesizer", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER},
    {"compactdisc", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC},
    {"cd", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC},
    {"telephone", MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE},
    {"pcspeaker", MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER},
    {"waveout", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},
    {"auxiliary", MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY},
    {"analog", MIXERLINE_COMPONENTTYPE_SRC_ANALOG},
};
const Named kControlTypes[] = {
    {"custom", MIXERCONTROL_CONTROLTYPE_CUSTOM},
    {"booleanmeter", MIXERCONTROL_CONTROLTYPE_BOOLEANMETER},
    {"signedmeter", MIXERCONTROL_CONTROLTYPE_SIGNEDMETER},
    {"peakmeter", MIXERCONTROL_CONTROLTYPE_PEAKMETER},
    {"unsignedmeter", MIXERCONTROL_CONTROLTYPE_UNSIGNEDMETER},
    {"boolean", MIXERCONTROL_CONTROLTYPE_BOOLEAN},
    {"onoff", MIXERCONTROL_CONTROLTYPE_ONOFF},
    {"mute", MIXERCONTROL_CONTROLTYPE_MUTE},
    {"mono", MIXERCONTROL_CONTROLTYPE_MONO},
    {"loudness", MIXERCONTROL_CONTROLTYPE_LOUDNESS},
    {"stereoenh", MIXERCONTROL_CONTROLTYPE_STEREOENH},
    {"bassboost", MIXERCONTROL_CONTROLTYPE_BASS_BOOST},
    {"button", MIXERCONTROL_CONTROLTYPE_BUTTON},
    {"decibels", MIXERCONTROL_CONTROLTYPE_DECIBELS},
    {"signed", MIXERCONTROL_CONTROLTYPE_SIGNED},
    {"unsigned", MIXERCONTROL_CONTROLTYPE_UNSIGNED},
    {"percent", MIXERCONTROL_CONTROLTYPE_PERCENT},
    {"slider", MIXERCONTROL_CONTROLTYPE_SLIDER},
    {"pan", MIXERCONTROL_CONTROLTYPE_PAN},
    {"qsoundpan", MIXERCONTROL_CONTROLTYPE_QSOUNDPAN},
    {"fader", MIXERCONTROL_CONTROLTYPE_FADER},
    {"volume", MIXERCONTROL_CONTROLTYPE_VOLUME},
    {"bass", MIXERCONTROL_CONTROLTYPE_BASS},
    {"treble", MIXERCONTROL_CONTROLTYPE_TREBLE},
    {"equalizer", MIXERCONTROL_CONTROLTYPE_EQUALIZER},
    {"singleselect", MIXERCONTROL_CONTROLTYPE_SINGLESELECT},
    {"mux", MIXERCONTROL_CONTROLTYPE_MUX},
    {"multipleselect", MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT},
    {"mixer", MIXERCONTROL_CONTROLTYPE_MIXER},
    {"microtime", MIXERCONTROL_CONTROLTYPE_MICROTIME},
    {"millitime", MIXERCONTROL_CONTROLTYPE_MILLITIME},
};
const Named kResults[] = {
    {"mmsyserr_noerror", MMSYSERR_NOERROR},
    {"mmsyserr_error", MMSYSERR_ERROR},
    {"mmsyserr_baddeviceid", MMSYSERR_BADDEVICEID},
    {"mmsyserr_notenabled", MMSYSERR_NOTENABLED},
    {"mmsyserr_allocated", MMSYSERR_ALLOCATED},
    {"mmsyserr_invalhandle", MMSYSERR_INVALHANDLE},
    {"mmsyserr_nodriver", MMSYSERR_NODRIVER},
    {"mmsyserr_nomem", MMSYSERR_NOMEM},
    {"mmsyserr_notsupported", MMSYSERR_NOTSUPPORTED},
    {"mmsyserr_invalflag", MMSYSERR_INVALFLAG},
    {"mmsyserr_invalparam", MMSYSERR_INVALPARAM},
    {"mmsyserr_handlebusy", MMSYSERR_HANDLEBUSY},
    {"waverr_badformat", WAVERR_BADFORMAT},
    {"waverr_stillplaying", WAVERR_STILLPLAYING},
    {"waverr_unprepared", WAVERR_UNPREPARED},
    {"waverr_sync", WAVERR_SYNC},
    {"mixerr_invalline", MIXERR_INVALLINE},
    {"mixerr_invalcontrol", MIXERR_INVALCONTROL},
    {"mixerr_invalvalue", MIXERR_INVALVALUE},
};

const char* const kCalls[] = {
    "mixerGetNumDevs",
    "mixerOpen",
    "mixerClose",
    "mixerGetDevCaps",
    "mixerGetLineInfo",
    "mixerGetLineControls",
    "mixerGetControlDetails",
    "mixerSetControlDetails",
    "waveOutGetNumDevs",
    "waveOutGetDevCaps",
    "waveOutOpen",
    "waveOutClose",
    "waveOutPrepareHeader",
    "waveOutUnprepareHeader",
    "waveOutWrite",
    "waveOutPause",
    "waveOutRestart",
    "waveOutReset",
    "waveInGetNumDevs",
    "waveInGetDevCaps",
    "waveInOpen",
    "waveInClose",
    "waveInPrepareHeader",
    "waveInUnprepareHeader",
    "waveInAddBuffer",
    "waveInStart",
    "waveInStop",
    "waveInReset",
};

// Reads one section's keys and reports wrong values.
class Reader {
public:
    Reader(CIniFile& ini, std::string path) : m_ini(ini), m_path(std::move(path)) {
        m_ini.SetNotFoundValue(kMissing);
    }

    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }
    // A path the card file names, as this platform names files.
    std::string FileName(const std::string& text) const {
        return plat::FileNameFromText(text, m_ini.GetEncoding());
    }

    void Fail(const std::string& section, const std::string& key, const std::string& what) {
        if (m_error.empty())
            m_error = m_path + ": [" + section + "]" + (key.empty() ? "" : " " + key) + ": " + what;
    }

    bool Has(const std::string& section, const std::string& key) {
        return m_ini.GetString(section, key) != kMissing;
    }
    std::string Text(const std::string& section, const std::string& key,
                     const std::string& fallback = "") {
        const std::string v = m_ini.GetString(section, key);
        return v == kMissing ? fallback : v;
    }

    bool ParseLong(const std::string& section, const std::string& key, const std::string& text,
                   long long& out) {
        const std::string t = Trim(text);
        errno = 0;
        char* end = nullptr;
        out = std::strtoll(t.c_str(), &end, 0);
        if (t.empty() || *end != '\0' || errno == ERANGE || out < -2147483648LL ||
            out > 4294967295LL) {
            Fail(section, key, "\"" + text + "\" is not a number");
            return false;
        }
        return true;
    }

    template <typename T> void Number(const std::string& section, const std::string& key, T& out) {
        if (!Has(section, key))
            return;
        long long v = 0;
        if (ParseLong(section, key, Text(section, key), v))
            out = T(v);
    }

    struct FlagName {
        const char* name;
        DWORD flag;
    };
    // The bits of a comma-separated list of flag names, in any case; another
    // name is reported as not being `expected`.
    DWORD Flags(const std::string& section, const std::string& key,
                std::initializer_list<FlagName> names, const std::string& expected) {
        DWORD flags = 0;
        for (const std::string& word : Split(Lower(Text(section, key)), ',')) {
            const auto it = std::find_if(names.begin(), names.end(),
                                         [&](const FlagName& n) { return word == n.name; });
            if (it != names.end())
                flags |= it->flag;
            else if (!word.empty())
                Fail(section, key, "\"" + word + "\" is not " + expected);
        }
        return flags;
    }

    void Double(const std::string& section, const std::string& key, const std::string& text,
                double& out) {
        char* end = nullptr;
        const std::string t = Trim(text);
        out = std::strtod(t.c_str(), &end);
        if (t.empty() || *end != '\0')
            Fail(section, key, "\"" + text + "\" is not a number");
    }

    // A name of the table, or a number.
    template <std::size_t N>
    DWORD Choice(const std::string& section, const std::string& key, const Named (&table)[N],
                 DWORD fallback) {
        if (!Has(section, key))
            return fallback;
        const std::string text = Trim(Text(section, key));
        const std::string lower = Lower(text);
        for (const Named& n : table)
            if (lower == n.name)
                return n.value;
        long long v = 0;
        if (!text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) != 0) &&
            ParseLong(section, key, text, v))
            return DWORD(v);
        Fail(section, key, "\"" + text + "\" is not a known name or a number");
        return fallback;
    }

private:
    CIniFile& m_ini;
    std::string m_path;
    std::string m_error;
};

// "Mixer 0 / Destination 1 / Source 2 / Control 3" -> [("mixer",0), ...].
bool ParsePath(const std::string& section, std::vector<std::pair<std::string, long>>& path) {
    path.clear();
    for (const std::string& part : Split(section, '/')) {
        const auto space = part.find_last_of(" \t");
        if (space == std::string::npos)
            return false;
        const std::string word = Lower(Trim(part.substr(0, space)));
        const std::string number = part.substr(space + 1);
        char* end = nullptr;
        const long n = std::strtol(number.c_str(), &end, 10);
        if (number.empty() || *end != '\0' || n < 0 || n > 255)
            return false;
        path.emplace_back(word, n);
    }
    return !path.empty();
}

// Numbered parts must run 0, 1, 2, ... without a gap.
template <typename Map> bool Contiguous(const Map& parts, const std::string& what, Reader& reader) {
    long expected = 0;
    for (const auto& [index, value] : parts) {
        (void)value;
        if (index != expected) {
            reader.Fail(what + " " + std::to_string(expected), "",
                        "missing (parts are numbered from 0 without gaps)");
            return false;
        }
        ++expected;
    }
    return true;
}

struct ControlPlan {
    std::string section;
};
struct LinePlan {
    std::string section;
    std::map<long, std::string> controls;
    std::map<long, LinePlan> sources;
};
struct MixerPlan {
    std::string section;
    std::map<long, LinePlan> destinations;
};

void ReadControl(Reader& r, const std::string& s, VirtualControl& c) {
    c.type = r.Choice(s, "Type", kControlTypes, MIXERCONTROL_CONTROLTYPE_VOLUME);
    const DWORD units = c.type & MIXERCONTROL_CT_UNITS_MASK;
    const DWORD cls = c.type & MIXERCONTROL_CT_CLASS_MASK;
    if (units == MIXERCONTROL_CT_UNITS_BOOLEAN) {
        c.minimum = 0;
        c.maximum = 1;
    } else if (units == MIXERCONTROL_CT_UNITS_SIGNED || units == MIXERCONTROL_CT_UNITS_DECIBELS) {
        c.minimum = -32768;
        c.maximum = 32767;
    } else {
        c.minimum = 0;
        c.maximum = 65535;
    }
    c.name = r.Text(s, "Name", "Control");
    c.shortName = r.Text(s, "ShortName", c.name.substr(0, MIXER_SHORT_NAME_CHARS - 1));
    r.Number(s, "Min", c.minimum);
    r.Number(s, "Max", c.maximum);
    r.Number(s, "Steps", c.steps);
    if (r.Has(s, "Flags"))
        c.flags |= r.Flags(s, "Flags",
                           {{"uniform", MIXERCONTROL_CONTROLF_UNIFORM},
                            {"multiple", MIXERCONTROL_CONTROLF_MULTIPLE},
                            {"disabled", MIXERCONTROL_CONTROLF_DISABLED}},
                           "uniform, multiple or disabled");
    if (r.Has(s, "Items")) {
        for (const std::string& item : Split(r.Text(s, "Items"), ','))
            c.items.push_back({item, 0, 0});
        c.flags |= MIXERCONTROL_CONTROLF_MULTIPLE;
    } else if (cls == MIXERCONTROL_CT_CLASS_LIST) {
        r.Fail(s, "Items", "a list control needs its items");
    }
    if (r.Has(s, "Values")) {
        for (const std::string& value : Split(r.Text(s, "Values"), ',')) {
            long long v = 0;
            if (!r.ParseLong(s, "Values", value, v))
                return;
            c.values.push_back(LONG(v));
        }
    } else if (!c.items.empty() && (c.type & 0xFF000000u) == 0x70000000u) {
        c.values.assign(c.items.size(), 0); // a single-select list starts on its first item
        c.values[0] = 1;
    }
    const bool isSigned =
        units == MIXERCONTROL_CT_UNITS_SIGNED || units == MIXERCONTROL_CT_UNITS_DECIBELS;
    if (isSigned ? c.minimum > c.maximum : DWORD(c.minimum) > DWORD(c.maximum))
        r.Fail(s, "Max", "is below Min");
    for (LONG v : c.values) {
        const bool inside = isSigned ? v >= c.minimum && v <= c.maximum
                                     : DWORD(v) >= DWORD(c.minimum) && DWORD(v) <= DWORD(c.maximum);
        if (!inside)
            r.Fail(s, "Values", std::to_string(v) + " is outside Min..Max");
    }
}

void ReadLine(Reader& r, const LinePlan& plan, bool source, VirtualLine& line) {
    const std::string& s = plan.section;
    line.componentType =
        source ? r.Choice(s, "Type", kSourceTypes, MIXERLINE_COMPONENTTYPE_SRC_LINE)
               : r.Choice(s, "Type", kDestinationTypes, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    line.name = r.Text(s, "Name", source ? "Source" : "Destination");
    line.shortName = r.Text(s, "ShortName", line.name.substr(0, MIXER_SHORT_NAME_CHARS - 1));
    line.channels = 2;
    r.Number(s, "Channels", line.channels);
    if (line.channels == 0 || line.channels > 8)
        r.Fail(s, "Channels", "must be 1 to 8");
    if (r.Has(s, "Flags"))
        line.flags = r.Flags(
            s, "Flags",
            {{"active", MIXERLINE_LINEF_ACTIVE}, {"disconnected", MIXERLINE_LINEF_DISCONNECTED}},
            "active or disconnected");
    if (r.Has(s, "Target")) {
        const std::vector<std::string> words = Split(Lower(r.Text(s, "Target")), ' ');
        long long device = 0;
        if (words[0] == "none") {
            line.targetType = MIXERLINE_TARGETTYPE_UNDEFINED;
        } else if ((words[0] == "waveout" || words[0] == "wavein") && words.size() <= 2 &&
                   (words.size() == 1 || r.ParseLong(s, "Target", words[1], device))) {
            line.targetType =
                words[0] == "waveout" ? MIXERLINE_TARGETTYPE_WAVEOUT : MIXERLINE_TARGETTYPE_WAVEIN;
            line.targetDevice = DWORD(device);
        } else {
            r.Fail(s, "Target", "must be none, waveout N or wavein N");
        }
    }
    if (!Contiguous(plan.controls, s + " / Control", r))
        return;
    for (const auto& [index, section] : plan.controls) {
        (void)index;
        line.controls.emplace_back();
        ReadControl(r, section, line.controls.back());
    }
    if (!Contiguous(plan.sources, s + " / Source", r))
        return;
    for (const auto& [index, sourcePlan] : plan.sources) {
        (void)index;
        line.sources.emplace_back();
        ReadLine(r, sourcePlan, true, line.sources.back());
    }
}

void ReadWaveDevice(Reader& r, const std::string& s, bool input, VirtualWaveDevice& d) {
    d.name = r.Text(s, "Name", input ? "Virtual Wave In" : "Virtual Wave Out");
    r.Number(s, "Mid", d.mid);
    r.Number(s, "Pid", d.pid);
    r.Number(s, "Version", d.version);
    r.Number(s, "Channels", d.channels);
    r.Number(s, "Busy", d.busyAttempts);
    const std::string formats = Lower(Trim(r.Text(s, "Formats", "all")));
    if (formats == "all") {
        d.formats = AllPcmFormats();
    } else if (formats != "none") {
        for (const std::string& f : Split(formats, ',')) {
            const std::vector<std::string> parts = Split(f, '/');
            long long rate = 0, bits = 0, channels = 0;
            if (parts.size() != 3 || !r.ParseLong(s, "Formats", parts[0], rate) ||
                !r.ParseLong(s, "Formats", parts[1], bits) ||
                !r.ParseLong(s, "Formats", parts[2], channels) || (bits != 8 && bits != 16) ||
                channels < 1 || channels > 8 || rate < 1) {
                r.Fail(s, "Formats", "\"" + f + "\" is not RATE/BITS/CHANNELS, as 11025/16/1");
                return;
            }
            d.formats.push_back({DWORD(rate), WORD(bits), WORD(channels)});
        }
    }
    d.id = Trim(r.Text(s, "Id"));
    if (r.Has(s, "Id") && d.id.empty())
        r.Fail(s, "Id", "is empty");
    const std::string form = Lower(Trim(r.Text(s, "FormFactor", "unknown")));
    bool known = false;
    for (DeviceFormFactor f :
         {DeviceFormFactor::Unknown, DeviceFormFactor::BuiltIn, DeviceFormFactor::Headset,
          DeviceFormFactor::Usb, DeviceFormFactor::Bluetooth, DeviceFormFactor::Hdmi})
        if (form == FormFactorName(f)) {
            d.formFactor = f;
            known = true;
        }
    if (!known)
        r.Fail(s, "FormFactor",
               "\"" + form + "\" is not unknown, built-in, headset, usb, bluetooth or hdmi");
    const std::string plugged = Lower(Trim(r.Text(s, "Plugged", "yes")));
    if (plugged != "yes" && plugged != "no")
        r.Fail(s, "Plugged", "\"" + plugged + "\" is not yes or no");
    d.plugged = plugged == "yes";
    if (r.Has(s, "Mute")) {
        const std::string mute = Lower(Trim(r.Text(s, "Mute")));
        if (mute != "yes" && mute != "no")
            r.Fail(s, "Mute", "\"" + mute + "\" is not yes or no");
        d.mute = mute == "yes";
    }
    const std::string monitor = Lower(Trim(r.Text(s, "Monitor", "no")));
    if (monitor != "yes" && monitor != "no")
        r.Fail(s, "Monitor", "\"" + monitor + "\" is not yes or no");
    else if (monitor == "yes" && !input)
        r.Fail(s, "Monitor", "only a wave-in device hears another one");
    d.monitor = monitor == "yes";
    long long rate = 0;
    r.Number(s, "Rate", rate);
    if (rate < 0 || rate > 768000)
        r.Fail(s, "Rate", "\"" + Trim(r.Text(s, "Rate")) + "\" is not a rate in Hz, as 8000");
    d.rate = static_cast<unsigned>(rate);
    const std::string handsFree = Lower(Trim(r.Text(s, "HandsFree", "no")));
    if (handsFree != "yes" && handsFree != "no")
        r.Fail(s, "HandsFree", "\"" + handsFree + "\" is not yes or no");
    d.handsFree = handsFree == "yes";
    if (r.Has(s, "Support"))
        d.support |= r.Flags(s, "Support",
                             {{"volume", WAVECAPS_VOLUME},
                              {"lrvolume", WAVECAPS_LRVOLUME},
                              {"pitch", WAVECAPS_PITCH},
                              {"playbackrate", WAVECAPS_PLAYBACKRATE},
                              {"sync", WAVECAPS_SYNC},
                              {"sampleaccurate", WAVECAPS_SAMPLEACCURATE}},
                             "a wave-out capability");
}

// "waveOutClose@0" = "WAVERR_STILLPLAYING x3 after 1"
void ReadFailure(Reader& r, const std::string& s, const std::string& key,
                 std::vector<VirtualFailure>& failures) {
    VirtualFailure f;
    const auto at = key.find('@');
    const std::string call = Trim(key.substr(0, at));
    const auto known = std::find_if(std::begin(kCalls), std::end(kCalls),
                                    [&](const char* c) { return Lower(c) == Lower(call); });
    if (known == std::end(kCalls)) {
        r.Fail(s, key, "\"" + call + "\" is not a call of the card");
        return;
    }
    f.call = *known;
    long long number = 0;
    if (at != std::string::npos) {
        if (!r.ParseLong(s, key, key.substr(at + 1), number))
            return;
        f.device = long(number);
    }
    std::vector<std::string> words;
    for (const std::string& w : Split(Trim(r.Text(s, key)), ' '))
        if (!w.empty())
            words.push_back(w);
    if (words.empty()) {
        r.Fail(s, key, "needs a result code");
        return;
    }
    const std::string code = Lower(words[0]);
    const auto named = std::find_if(std::begin(kResults), std::end(kResults),
                                    [&](const Named& n) { return code == n.name; });
    if (named != std::end(kResults))
        f.code = named->value;
    else if (r.ParseLong(s, key, words[0], number))
        f.code = MMRESULT(number);
    else
        return;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string w = Lower(words[i]);
        if (w.size() > 1 && w[0] == 'x' && r.ParseLong(s, key, w.substr(1), number)) {
            f.times = int(number);
        } else if (w == "after" && i + 1 < words.size() &&
                   r.ParseLong(s, key, words[i + 1], number)) {
            f.skip = int(number);
            ++i;
        } else {
            r.Fail(s, key, "expected CODE [xTIMES] [after N], found \"" + words[i] + "\"");
            return;
        }
    }
    failures.push_back(f);
}

bool ReadMicrophone(Reader& r, const std::string& s, const std::string& directory,
                    MicrophoneSignal& mic) {
    std::vector<std::string> words;
    const std::string text = Trim(r.Text(s, "Microphone", "voice"));
    for (const std::string& w : Split(text, ' '))
        if (!w.empty())
            words.push_back(w);
    const std::string kind = words.empty() ? "voice" : Lower(words[0]);
    if (kind == "voice" && words.size() <= 1) {
        mic.kind = MicrophoneSignal::Kind::Voice;
    } else if (kind == "silence" && words.size() == 1) {
        mic.kind = MicrophoneSignal::Kind::Silence;
    } else if (kind == "sine" && words.size() == 3) {
        mic.kind = MicrophoneSignal::Kind::Sine;
        r.Double(s, "Microphone", words[1], mic.amplitude);
        r.Double(s, "Microphone", words[2], mic.frequency);
    } else if (kind == "noise" && words.size() == 2) {
        mic.kind = MicrophoneSignal::Kind::Noise;
        r.Double(s, "Microphone", words[1], mic.amplitude);
    } else if (kind == "file" && words.size() >= 2) {
        mic.kind = MicrophoneSignal::Kind::File;
        mic.file = r.FileName(Trim(text.substr(text.find_first_of(" \t"))));
        if (!mic.file.empty() && mic.file[0] != '/')
            mic.file = directory + mic.file; // relative to the card file
    } else {
        r.Fail(s, "Microphone",
               "must be voice, silence, sine AMPLITUDE FREQUENCY, noise AMPLITUDE or file PATH");
        return false;
    }
    return !r.Failed();
}

} // namespace

bool ReadCardFile(const std::string& path, VirtualCardDesc& card, std::string& error) {
    CIniFile ini;
    if (!ini.Open(path)) {
        error = path + ": cannot read the card description file";
        return false;
    }
    Reader r(ini, path);
    const auto slash = path.find_last_of("/\\");
    const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);

    VirtualCardDesc desc;
    std::map<long, MixerPlan> mixers;
    std::map<long, std::string> waveOut, waveIn;
    std::string cardSection, failureSection;

    std::vector<std::string> sections;
    ini.GetSectionNames(sections);
    for (const std::string& section : sections) {
        const std::string lower = Lower(Trim(section));
        if (lower == "card") {
            cardSection = section;
            continue;
        }
        if (lower == "failures") {
            failureSection = section;
            continue;
        }
        std::vector<std::pair<std::string, long>> p;
        bool ok = ParsePath(section, p);
        if (ok && p.size() == 1 && p[0].first == "waveout") {
            waveOut[p[0].second] = section;
        } else if (ok && p.size() == 1 && p[0].first == "wavein") {
            waveIn[p[0].second] = section;
        } else if (ok && p[0].first == "mixer") {
            MixerPlan& mixer = mixers[p[0].second];
            if (p.size() == 1) {
                mixer.section = section;
            } else if (p[1].first != "destination") {
                ok = false;
            } else {
                LinePlan& destination = mixer.destinations[p[1].second];
                if (p.size() == 2)
                    destination.section = section;
                else if (p.size() == 3 && p[2].first == "control")
                    destination.controls[p[2].second] = section;
                else if (p[2].first != "source")
                    ok = false;
                else if (p.size() == 3)
                    destination.sources[p[2].second].section = section;
                else if (p.size() == 4 && p[3].first == "control")
                    destination.sources[p[2].second].controls[p[3].second] = section;
                else
                    ok = false;
            }
        } else {
            ok = false;
        }
        if (!ok) {
            r.Fail(section, "", "is not a part of a card (see docs/virtual-card.md)");
            break;
        }
    }

    if (!cardSection.empty()) {
        desc.name = r.Text(cardSection, "Name", desc.name);
        ReadMicrophone(r, cardSection, directory, desc.microphone);
        desc.outputFile = r.FileName(Trim(r.Text(cardSection, "OutputFile")));
        if (!desc.outputFile.empty() && desc.outputFile[0] != '/')
            desc.outputFile = directory + desc.outputFile;
        const std::string base = Lower(Trim(r.Text(cardSection, "Base", "none")));
        if (base == "default") {
            const VirtualCardDesc standard = DefaultCardDesc();
            if (mixers.empty())
                desc.mixers = standard.mixers;
            if (waveOut.empty())
                desc.waveOut = standard.waveOut;
            if (waveIn.empty())
                desc.waveIn = standard.waveIn;
        } else if (base != "none") {
            r.Fail(cardSection, "Base", "must be default or none");
        }
    }

    if (!r.Failed() && Contiguous(mixers, "Mixer", r)) {
        for (auto& [index, plan] : mixers) {
            const std::string name = "Mixer " + std::to_string(index);
            VirtualMixer mixer;
            if (!plan.section.empty()) {
                mixer.name = r.Text(plan.section, "Name", mixer.name);
                r.Number(plan.section, "Mid", mixer.mid);
                r.Number(plan.section, "Pid", mixer.pid);
                r.Number(plan.section, "Version", mixer.version);
            }
            if (!Contiguous(plan.destinations, name + " / Destination", r))
                break;
            for (auto& [d, destination] : plan.destinations) {
                if (destination.section.empty())
                    destination.section = name + " / Destination " + std::to_string(d);
                for (auto& [s, source] : destination.sources)
                    if (source.section.empty())
                        source.section = destination.section + " / Source " + std::to_string(s);
                mixer.destinations.emplace_back();
                ReadLine(r, destination, false, mixer.destinations.back());
            }
            desc.mixers.push_back(std::move(mixer));
        }
    }
    for (bool input : {false, true}) {
        auto& plans = input ? waveIn : waveOut;
        if (r.Failed() || !Contiguous(plans, input ? "WaveIn" : "WaveOut", r))
            break;
        auto& devices = input ? desc.waveIn : desc.waveOut;
        for (const auto& [index, section] : plans) {
            devices.emplace_back();
            ReadWaveDevice(r, section, input, devices.back());
            // A wave-in device may hear a signal of its own.
            if (r.Has(section, "Microphone")) {
                if (!input)
                    r.Fail(section, "Microphone", "only a wave-in device hears a microphone");
                else if (MicrophoneSignal own; ReadMicrophone(r, section, directory, own))
                    devices.back().microphone = own;
            }
            // Ids name one device each; a device without one is known by its number.
            if (devices.back().id.empty())
                devices.back().id = (input ? "wavein-" : "waveout-") + std::to_string(index);
            for (std::size_t d = 0; d + 1 < devices.size(); ++d)
                if (devices[d].id == devices.back().id)
                    r.Fail(section, "Id",
                           "\"" + devices.back().id + "\" already names another device");
        }
    }
    if (!failureSection.empty() && !r.Failed()) {
        std::vector<std::string> keys;
        ini.GetKeyNames(failureSection, keys);
        for (const std::string& key : keys)
            ReadFailure(r, failureSection, key, desc.failures);
    }
    if (r.Failed()) {
        error = r.Error();
        return false;
    }
    card = std::move(desc);
    return true;
}

} // namespace plat
