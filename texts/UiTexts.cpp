#include "texts/UiTexts.h"

#include "platform/files/file_writer.h"
#include "platform/files/paths.h"
#include "platform/system/trace.h"
#include "platform/text/ini_file.h"
#include "platform/text/text_encoding.h"
#include "texts/LanguageFileKind.h"

#include <array>
#include <cassert>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// The system the wizard configures, which page 5 names: Windows by its
// name, as earlier versions did on every system, elsewhere "this computer".
constexpr const char* kConfigureWindowsText =
    "If you wish to configure Windows with these parameters, please click here:   ";
#ifdef _WIN32
constexpr const char* kSystemName = "Windows";
constexpr const char* kConfigureSystemText = kConfigureWindowsText;
#else
constexpr const char* kSystemName = "Linux";
constexpr const char* kConfigureSystemText =
    "If you wish to configure this computer with these parameters, please click here:   ";
#endif

// Defaults exactly as shown, blanks included; the language file is written in
// this order.
constexpr UiTextEntry kEntries[] = {
    {"PropSheet", "K1", "Cancel"},
    {"PropSheet", "K2", "Next > "},
    {"PropSheet", "K3", " Welcome to the audio wizard!!            "},
    {"PropSheet", "K4", " Step 1/3: Sound card Test"},
    {"PropSheet", "K5", " Step 2/3: Audio level Test"},
    {"PropSheet", "K6", " Step 3/3: Microphone level Test"},
    {"PropSheet", "K7", " Test completed!"},
    {"PropSheet", "K8", "Version "},
    {"PropP1", "K1", "The audio wizard will adjust the audio and microphone levels."},
    {"PropP1", "K2",
     "First, the wizard will check the parameters of your sound card. Then you will be asked"},
    {"PropP1", "K2b",
     "to test the audio level and the microphone to a setting which you find comfortable."},
    {"PropP1", "K3",
     "Before starting, please check you are in a position to begin the test by clicking on"},
    {"PropP1", "K3b", "the following buttons :"},
    {"PropP1", "K4", "About the connections..."},
    {"PropP1", "K5", "About your headset..."},
    {"PropP1", "K6", "Click on Next to begin."},
    {"PropP1", "K7", "Ideal test conditions"},
    {"PropP1", "K8", "Connections to the sound card"},
    {"PropP2", "K1", "Test"},
    {"PropP2", "K2", "Result"},
    {"PropP2", "K3", "The wizard is about to test your system's sound card."},
    {"PropP2", "K4",
     "Click on the Test button and the results of the test will be detailed below."},
    {"PropP2", "K5", "If any serious errors are encountered, the wizard will stop here."},
    {"PropP2", "K6", "Click on Next to test the audio level."},
    {"PropP2", "K7", "Test results"},
    {"PropP2", "K8", "Click here to test your sound card"},
    {"PropP2", "K9", " < Back"},
    {"PropP2", "K10", "It exists unsupported wave formats"},
    {"PropP2", "K11", "Input wave formats test"},
    {"PropP2", "K12", "Output wave formats test"},
    {"PropP2", "K13", "Successful"},
    {"PropP2", "K14", "Soft error"},
    {"PropP2", "K15", "Serious error"},
    {"PropP3", "K1", "The wizard will now test your existing audio setup."},
    {"PropP3", "K2", "Click on the Test button to begin."},
    {"PropP3", "K2b", "Adjust the volume to a comfortable listening level."},
    {"PropP3", "K3", "Listening Volume"},
    {"PropP3", "K4", "Low"},
    {"PropP3", "K5", "High"},
    {"PropP3", "K6", "If you don't hear anything click here: "},
    {"PropP3", "K7", "To adjust the microphone level, click on Next."},
    {"PropP3", "K8", "Playback controls"},
    {"PropP3", "K9", "Stop"},
    {"PropP3", "K10", "Click here to listen to the music "},
    {"PropP3", "K11", "Check the connections to the sound card "},
    {"PropP3", "K12", "Click here to stop the music "},
    {"PropP4", "K1", "The wizard will adjust the volume of the microphone."},
    {"PropP4", "K2",
     "Please click on  the Start button and read the following text in a normal tone of voice:"},
    {"PropP4", "K3", "                                  'I am testing the microphone.'"},
    {"PropP4", "K4", "Recording level:"},
    {"PropP4", "K5", "Click on Next to finish."},
    {"PropP4", "K6", "Start"},
    {"PropP4", "K7", " no error"},
    {"PropP4", "K8", "Replay"},
    {"PropP4", "K9", "Click here to begin recording "},
    {"PropP4", "K10", "Check the recording conditions "},
    {"PropP4", "K11", "Replay your recording"},
    {"PropP4", "K12", "Warning :"},
    {"PropP4", "K13", "Click here to stop recording"},
    {"PropP4", "K14", "Stop replaying your recording"},
    {"PropP5", "K1",
     "You have finished adjusting the parameters of your sound card and the microphone and audio "
     "levels."},
    {"PropP5", "K2",
     "If you wish to configure Parlendo with these parameters, please click here:   "},
    {"PropP5", "K3",
     "If you wish to configure QRV Tiko with these parameters, please click here:   "},
    {"PropP5", "K4", kConfigureSystemText, kConfigureWindowsText},
    {"PropP5", "K5", "Parlendo will be configured with your new parameters."},
    {"PropP5", "K6", "Parlendo will retain the existing parameters."},
    {"PropP5", "K7", "Click End to exit."},
    {"PropP5", "K8", "Update"},
    {"PropP5", "K9", "Click here to update the sound parameters"},
    {"PropP5", "K10", "End"},
    {"PropP5", "K11", "you are not a registered user of Parlendo !!"},
    {"PropP5", "K12", "Error"},
    {"PropP5", "K13", "This is not a user name"},
    {"Connect", "K1", "Connecting the headset to the corresponding sound card inputs"},
    {"Connect", "K2", "These inputs are generally found on the back of your computer."},
    {"Connect", "K3", "The microphone corresponds to the red plug on the headset."},
    {"Connect", "K3b", "This plug must be connected to the sound card input marked 'Mic'."},
    {"Connect", "K4", "The headphones correspond to the grey plug on the headset."},
    {"Connect", "K4b",
     "This plug must be connected to the sound card input marked 'Spk/Line out'."},
    {"Connect", "K5a", "Note:"},
    {"Connect", "K5b",
     "   Sound may be played either through the speakers or through the headset."},
    {"Connect", "K5c", "   You must therefore connect either the grey headset plug"},
    {"Connect", "K5d", "   or the speaker plug to the sound card."},
    {"HeadInf", "K1", "Make sure that your speakers or headphones are connected."},
    {"HeadInf", "K2a", "Make sure the microphone cable is correctly plugged in."},
    {"HeadInf", "K2b", "Position your microphone arm approximately 2 cm from your mouth."},
    {"HeadInf", "K2c", "Place the microphone a little to the side of your mouth so as not"},
    {"HeadInf", "K2d", "breathe into it."},
    {"HeadInf", "K3",
     "Try to keep the room as quiet as possible (close the door, turn off radio, TV or CD "
     "Player)."},
};

constexpr std::size_t kDesignCount = std::size(kEntries);
static_assert(kDesignCount == 89);

// Texts the wizard gained later. A language file written before them lacks
// them: an absent or empty one keeps its English default, so none is ever
// shown empty. The first run writes each after the design's texts of its
// section, a section of their own after the design's sections.
constexpr UiTextEntry kAddedEntries[] = {
    {"Verdict", "NoVoice", "No voice was heard: check the microphone and its plug."},
    {"Verdict", "TooQuiet",
     "Your voice is too quiet: move the slider to the right or the microphone closer."},
    {"Verdict", "TooLoud", "Your voice is too loud and was clipped: move the slider to the left."},
    {"Verdict", "TooNoisy",
     "There is too much background noise: see the recording conditions (Help button)."},
    {"Verdict", "Good", "Good recording: your voice is clear and at the right level."},
    // After the verdict, for a recording with a voice and no sound above
    // 4 kHz: a telephone-band microphone.
    {"Verdict", "NarrowBand",
     "Your microphone hears no sound above 4 kHz, as a telephone or a Bluetooth headset's "
     "hands-free profile: the speech recogniser will understand you less well. Use a USB or wired "
     "headset if you can."},
    // The speech recogniser's line under the verdict: while it decodes the
    // recording, the words of the sentence it understood (understood, of all)
    // at or below the pass mark, no recogniser for the sentence's language
    // (the language is named in the text: each language file names its own),
    // and a failure with the recogniser's reason.
    {"Verdict", "Checking", "The speech recogniser is listening to your recording\u2026"},
    {"Verdict", "Understood",
     "The speech recogniser understood %s of the %s words: it will understand you."},
    {"Verdict", "NotUnderstood",
     "The speech recogniser understood only %s of the %s words: speak clearly, a little closer "
     "to the microphone, in a quiet room, then record again."},
    {"Verdict", "NoRecogniser",
     "No speech recogniser for English is installed: the recording is judged by its sound "
     "alone."},
    {"Verdict", "RecogniserFailed", "The speech recogniser could not check the recording: %s"},
    // In place of TooLoud and TooQuiet where the automatic level ran to the
    // recording's end and left it so: the wizard moved the recording volume
    // itself (the new volume, in percent).
    {"Verdict", "Lowered",
     "Your voice was too loud and was clipped: the wizard lowered the recording volume to %s %%. "
     "Record again."},
    {"Verdict", "Raised",
     "Your voice was too quiet: the wizard raised the recording volume to %s %%. Record again, or "
     "move the microphone closer."},
    {"PropP4", "AutoLevel", "Adjust the microphone level automatically"},
    {"PropP3", "LeftTip", "Play a voice on the left speaker only"},
    {"PropP3", "RightTip", "Play a voice on the right speaker only"},
    // The virtual card standing in for missing sound hardware: the title
    // bar's suffix (after " - "), page 1's two lines, page 2's line.
    {"PropSheet", "Simulated", "simulated sound card, no sound"},
    {"PropP1", "Simulated",
     "No sound server or sound card answered: the sound card is simulated and"},
    {"PropP1", "Simulatedb",
     "no sound will be heard. Check the sound system with \"pelmora --report\"."},
    {"PropP2", "NoRealDevice", "No real sound device was found: the sound card is simulated"},
    // Page 2's line naming the microphone and the speakers chosen among
    // several, and the word for a side without a device.
    {"PropP2", "ChosenDevices", "Microphone: %s, speakers: %s"},
    {"PropP2", "NoDevice", "none"},
    // Page 2's device lists and the line for a computer without a microphone.
    {"PropP2", "Microphone", "Microphone"},
    {"PropP2", "Speakers", "Speakers"},
    {"PropP2", "NoMicrophone",
     "No microphone was found. Plug in a microphone or a headset, then choose it below."},
    // Page 2's hint in place of K6 when a serious line keeps Next off.
    {"PropP2", "ChooseOther",
     "Choose another microphone or speakers in the lists below, or plug one in: the test then "
     "runs again."},
    // Page 2's lines of what the test changed on a device: the result
    // column's word, the line ("device: what"), and what, in whole percent.
    {"PropP2", "Adjusted", "Adjusted"},
    {"PropP2", "Changed", "%s: %s"},
    {"PropP2", "Unmuted", "unmuted"},
    {"PropP2", "VolumeChanged", "volume %s \u2192 %s"},
    // Page 2's warning for a chosen microphone that hears only the telephone
    // band: by its rate ("up to 4 kHz"), or as a Bluetooth headset in its
    // hands-free profile; and what to do.
    {"PropP2", "NarrowBand",
     "%s hears only up to %s kHz, as a telephone: the speech recogniser will understand you less "
     "well."},
    {"PropP2", "HandsFree",
     "%s is a Bluetooth headset in its hands-free profile, which hears only up to %s kHz: the "
     "speech recogniser will understand you less well."},
    {"PropP2", "NarrowBandAdvice",
     "Use a USB or wired headset, or the headset's wide-band speech (16 kHz) where the sound "
     "settings offer it."},
    // Page 4 after a recording that heard no voice: another microphone that
    // hears the user, by its full name, offered in its place.
    {"PropP4", "HearsYou", "%s hears you \u2014 use it?"},
    // The captions of page 3's left and right speaker buttons.
    {"PropP3", "Left", "L"},
    {"PropP3", "Right", "R"},
    {"PropP5", "Student", "Student"},
    // Page 5's line under the boxes: what End does with the mixer, without
    // and with the box that keeps the new settings.
    {"PropP5", "EndRestores", "Your sound settings will be put back as they were"},
    {"PropP5", "EndKeeps", "Your sound settings will be kept"},
    // The list of users that cannot be read (damaged, or held by another
    // program): the file's path.
    {"PropP5", "UsersUnreadable", "The list of users of Parlendo cannot be read: %s"},
    // The message on a language file that cannot be used: its path, then
    // one of the reasons after it.
    {"PropSheet", "BadLanguageFile",
     "The language file %s cannot be used: %s. The wizard shows its own texts instead."},
    {"PropSheet", "FileNotReadable", "it cannot be read"},
    {"PropSheet", "FileNotText", "it holds bytes that are not text in UTF-8 or Windows-1252"},
    {"PropSheet", "FileWithoutTexts", "it holds none of the wizard's texts"},
    // The help dialogs' window titles.
    {"Connect", "Title", "Connections"},
    {"HeadInf", "Title", "Headset"},
    // The question at start when a run ended before it put the sound settings
    // back: what happened (with the day and time that run started, or
    // without), the question, and its three buttons.
    {"Recovery", "EndedAt",
     "The audio wizard started on %s at %s ended before it could put your sound settings back."},
    {"Recovery", "Ended",
     "An earlier run of the audio wizard ended before it could put your sound settings back."},
    {"Recovery", "Question", "Put the sound settings back as they were before that run?"},
    {"Recovery", "PutBack", "Put back"},
    {"Recovery", "Keep", "Keep as it is"},
    {"Recovery", "Later", "Ask me later"},
    // The notice of a headset plugged in while the wizard runs (its name),
    // its two buttons, and what it says when the headset cannot be chosen
    // (its name, the sound system's words) with the button that closes it.
    {"PropSheet", "PluggedIn", "%s was plugged in \u2014 use it"},
    {"PropSheet", "UseIt", "Yes"},
    {"PropSheet", "NotNow", "No"},
    {"PropSheet", "NotChosen", "%s cannot be used: %s"},
    {"PropSheet", "NoticeClose", "OK"},
    // The music, the replay or the recording ended by the sound system: the
    // device it went to or came from was unplugged (its name), or the sound
    // server stopped.
    {"PropP3", "Unplugged", "The music stopped: %s was unplugged."},
    {"PropP3", "ServerGone",
     "The sound server stopped: the music ended. Try again once the sound server is back."},
    {"PropP4", "Unplugged", "The recording stopped: %s was unplugged."},
    {"PropP4", "ReplayUnplugged", "The replay stopped: %s was unplugged."},
    {"PropP4", "ServerGone",
     "The sound server stopped: the recording or the replay ended. Try again once the sound "
     "server is back."},
    // The language of the sentence K3, as a code ("en", "de"): the speech
    // recogniser decodes the recording with a model of that language.
    {"PropP4", "SentenceLanguage", "en"},
};

constexpr std::size_t kCount = kDesignCount + std::size(kAddedEntries);

const UiTextEntry& Entry(std::size_t index) {
    return index < kDesignCount ? kEntries[index] : kAddedEntries[index - kDesignCount];
}

struct Table {
    std::array<std::string, kCount> texts;
    std::string languageFile;
    // What the last load says about the files it could not use.
    std::string problem;
    // The encoding of the file the texts came from, which a file made from
    // them keeps.
    plat::TextEncoding encoding = plat::TextEncoding::Utf8;
    bool loaded = false; // the run has its texts
    Table() { Reset(); }
    void Reset() {
        for (std::size_t i = 0; i < kCount; ++i)
            texts[i] = Entry(i).defaultText;
        encoding = plat::TextEncoding::Utf8;
        problem.clear();
        loaded = false;
    }
};

Table& TheTable() {
    static Table table;
    return table;
}

constexpr const char* kModule = "UiTexts";

// A file may hold a text for one system beside the common one, under the
// key followed by "@" and the system's name ("K4@Linux"): a shipped
// translation says "this computer" on Linux where it names Windows there.
std::string TextOf(CIniFile& file, const UiTextEntry& entry) {
    std::string text = file.GetString(entry.section, std::string(entry.key) + "@" + kSystemName);
    return text.empty() ? file.GetString(entry.section, entry.key) : text;
}

// Replaces the texts by those of the opened `file`: a text of the design
// absent from it becomes empty, a text added later keeps its default.
void Apply(Table& table, CIniFile& file) {
    for (std::size_t i = 0; i < kDesignCount; ++i)
        table.texts[i] = TextOf(file, kEntries[i]);
    for (std::size_t i = kDesignCount; i < kCount; ++i) {
        std::string text = TextOf(file, Entry(i));
        table.texts[i] = text.empty() ? Entry(i).defaultText : std::move(text);
    }
    table.encoding = file.GetEncoding();
}

// The texts in use, in the table's order, as a file holds them.
CIniFile FileOfTexts(const Table& table) {
    CIniFile file;
    file.SetEncoding(table.encoding);
    for (std::size_t i = 0; i < kCount; ++i)
        file.SetString(Entry(i).section, Entry(i).key, table.texts[i]);
    return file;
}

// Writes `file` to `path` after the mark naming `language`.
bool Write(const CIniFile& file, const std::string& language, const std::string& path,
           std::string& error) {
    std::string bytes;
    if (file.GetEncoding() == plat::TextEncoding::Utf8WithBom)
        bytes = plat::kUtf8Bom;
    for (const std::string& line :
         {LanguageFileMark(language, LanguageFileCheck(file)), LanguageFileNote()})
        bytes += line + "\r\n";
    for (const std::string& line : file.Lines())
        bytes += line + "\r\n";
    return plat::SaveFileContents(path, bytes, &error);
}

// The language a shipped translation holds: its file name without ".INI".
std::string LanguageOf(const std::string& translation) {
    const std::size_t slash = translation.rfind(plat::kPathSeparator);
    const std::string name = translation.substr(slash == std::string::npos ? 0 : slash + 1);
    return name.substr(0, name.rfind('.'));
}

// The built-in English text of section/key.
const char* DefaultText(const char* section, const char* key) {
    for (std::size_t i = 0; i < kCount; ++i) {
        if (std::strcmp(Entry(i).section, section) == 0 && std::strcmp(Entry(i).key, key) == 0)
            return Entry(i).defaultText;
    }
    return "";
}

const char* ReasonKey(LanguageFileKind kind) {
    switch (kind) {
    case LanguageFileKind::NotReadable:
        return "FileNotReadable";
    case LanguageFileKind::NotText:
        return "FileNotText";
    default:
        return "FileWithoutTexts";
    }
}

} // namespace

const std::string& UiText(const char* section, const char* key) {
    for (std::size_t i = 0; i < kCount; ++i) {
        if (std::strcmp(Entry(i).section, section) == 0 && std::strcmp(Entry(i).key, key) == 0)
            return TheTable().texts[i];
    }
    assert(!"UiText: unknown section/key");
    static const std::string empty;
    return empty;
}

void LoadUiTextsFrom(const std::string& path) {
    LoadUiTextsFrom(LanguageFiles{{}, path, {}});
}

void LoadUiTextsFrom(const LanguageFiles& files) {
    Table& table = TheTable();
    table.loaded = true;
    table.languageFile.clear();
    table.problem.clear();
    std::vector<std::pair<std::string, LanguageFileKind>> unusable;
    const auto Examine = [&unusable](const std::string& path, CIniFile& file) {
        const LanguageFileState state = ExamineLanguageFile(path, file);
        if (IsUnusable(state.kind)) {
            unusable.emplace_back(path, state.kind);
            TRACE_LOG(1, kModule, __LINE__, "Language file %s cannot be used: %s", path.c_str(),
                      DefaultText("PropSheet", ReasonKey(state.kind)));
        }
        return state;
    };
    const auto Report = [&table, &unusable] {
        for (const auto& [path, kind] : unusable) {
            if (!table.problem.empty())
                table.problem += "\n\n";
            // In UTF-8 whatever the texts' encoding, so the path shows as it is.
            const auto Utf8 = [&table](const std::string& text) {
                return table.encoding == plat::TextEncoding::Windows1252
                           ? plat::Windows1252ToUtf8(text)
                           : text;
            };
            table.problem += FormatUiText(Utf8(UiText("PropSheet", "BadLanguageFile")),
                                          {path, Utf8(UiText("PropSheet", ReasonKey(kind)))});
        }
    };

    // A file of the user's own, beside the program or in his config
    // directory, is the one he edits: used as it is, never rewritten. One
    // the program wrote and nobody changed leaves the choice to the
    // user's language.
    LanguageFileState userFile;
    for (const std::string* own : {&files.besideProgram, &files.userFile}) {
        CIniFile file;
        const LanguageFileState state = Examine(*own, file);
        if (own == &files.userFile)
            userFile = state;
        if (state.kind == LanguageFileKind::Users) {
            Apply(table, file);
            table.languageFile = *own;
            TRACE_LOG(0, kModule, __LINE__, "Language file %s", own->c_str());
            Report();
            return;
        }
    }
    std::string language = "en";
    if (CIniFile file; !files.translation.empty()) {
        const LanguageFileKind kind = Examine(files.translation, file).kind;
        if (kind != LanguageFileKind::Missing && !IsUnusable(kind)) {
            Apply(table, file);
            table.languageFile = files.translation;
            language = LanguageOf(files.translation);
            TRACE_LOG(0, kModule, __LINE__, "Translation %s", files.translation.c_str());
        }
    }
    Report();

    // The user's file holds the texts shown, for him to translate: made
    // when missing, brought up to date while it is still the program's. A
    // file that is no language file is left as it is.
    if (files.userFile.empty() ||
        (userFile.kind != LanguageFileKind::Missing && userFile.kind != LanguageFileKind::Written))
        return;
    const CIniFile texts = FileOfTexts(table);
    if (userFile.kind == LanguageFileKind::Written && userFile.language == language &&
        userFile.check == LanguageFileCheck(texts)) {
        table.languageFile = files.userFile;
        return;
    }
    std::string error;
    const std::string directory =
        files.userFile.substr(0, files.userFile.rfind(plat::kPathSeparator));
    if (!plat::CreatePrivateDirectories(directory)) {
        TRACE_LOG(1, kModule, __LINE__, "No language file written: %s cannot be created",
                  directory.c_str());
    } else if (Write(texts, language, files.userFile, error)) {
        table.languageFile = files.userFile;
        TRACE_LOG(0, kModule, __LINE__, "Language file %s %s", files.userFile.c_str(),
                  userFile.kind == LanguageFileKind::Missing ? "created" : "brought up to date");
    } else {
        TRACE_LOG(1, kModule, __LINE__, "No language file written: %s", error.c_str());
    }
}

void ResetUiTexts() {
    TheTable().Reset();
}

const std::string& LanguageFilePath() {
    return TheTable().languageFile;
}

bool UiTextsLoaded() {
    return TheTable().loaded;
}

const std::string& LanguageFileProblem() {
    return TheTable().problem;
}

std::size_t UiTextCount() {
    return kCount;
}

const UiTextEntry& UiTextEntryAt(std::size_t index) {
    assert(index < kCount);
    return Entry(index < kCount ? index : 0);
}

std::size_t DesignUiTextCount() {
    return kDesignCount;
}

std::string FormatUiText(const std::string& text, std::initializer_list<std::string_view> args) {
    std::string result;
    auto next = args.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == '%') {
                result += '%';
                ++i;
                continue;
            }
            if (text[i + 1] == 's' && next != args.end()) {
                result += *next++;
                ++i;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}
