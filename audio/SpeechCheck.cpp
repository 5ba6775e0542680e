#include "audio/SpeechCheck.h"

#include "audio/Resampler.h"
#include "audio/WaveFileReader.h"
#include "platform/system/message_loop.h"
#include "platform/text/text_case.h"
#include "platform/text/text_encoding.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

using namespace plat;

namespace {

constexpr DWORD kReadBytes = 64 * 1024;

// The code point of the UTF-8 character at text[at], its length in `length`
// (the text is well-formed: it came from DecodeText).
char32_t CodePoint(std::string_view text, std::size_t at, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    length = std::min(length, text.size() - at);
    char32_t c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        c = (c << 6) | (byte(i) & 0x3F);
    return c;
}

// Letters and digits make words; the Latin-1 signs, the general punctuation
// (quotation marks, dashes, the ellipsis) and the CJK punctuation do not.
bool IsWordCharacter(char32_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (c < 0xC0 || c == 0xD7 || c == 0xF7)
        return false;
    return !(c >= 0x2000 && c <= 0x206F) && !(c >= 0x3000 && c <= 0x303F);
}

bool IsApostrophe(char32_t c) {
    return c == '\'' || c == 0x2019;
}

// The English contractions the recogniser's dictionary holds as one word.
const std::map<std::string, std::vector<std::string>, std::less<>>& EnglishContractions() {
    static const std::map<std::string, std::vector<std::string>, std::less<>> table = {
        {"i'm", {"i", "am"}},         {"i've", {"i", "have"}},    {"i'll", {"i", "will"}},
        {"i'd", {"i", "would"}},      {"you're", {"you", "are"}}, {"we're", {"we", "are"}},
        {"they're", {"they", "are"}}, {"it's", {"it", "is"}},     {"that's", {"that", "is"}},
        {"he's", {"he", "is"}},       {"she's", {"she", "is"}},   {"isn't", {"is", "not"}},
        {"don't", {"do", "not"}},     {"can't", {"can", "not"}},  {"won't", {"will", "not"}},
    };
    return table;
}

void AddWord(std::string word, std::string_view language, std::vector<std::string>& words) {
    if (word.empty())
        return;
    if (language == "en") {
        const auto& table = EnglishContractions();
        if (const auto it = table.find(word); it != table.end()) {
            words.insert(words.end(), it->second.begin(), it->second.end());
            return;
        }
    }
    words.push_back(std::move(word));
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

} // namespace

std::vector<std::string> SpeechWords(std::string_view text, std::string_view language) {
    const std::string folded = FoldCase(DecodeText(text), TextEncoding::Utf8);
    std::vector<std::string> words;
    std::string word;
    for (std::size_t at = 0, length = 0; at < folded.size(); at += length) {
        const char32_t c = CodePoint(folded, at, length);
        if (IsWordCharacter(c)) {
            word.append(folded, at, length);
            continue;
        }
        // An apostrophe between two letters belongs to the word.
        std::size_t nextLength = 0;
        if (IsApostrophe(c) && !word.empty() && at + length < folded.size() &&
            IsWordCharacter(CodePoint(folded, at + length, nextLength))) {
            word += '\'';
            continue;
        }
        AddWord(std::move(word), language, words);
        word.clear();
    }
    AddWord(std::move(word), language, words);
    return words;
}

std::size_t CountUnderstood(const std::vector<std::string>& expected,
                            const std::vector<std::string>& heard) {
    std::map<std::string_view, std::size_t> left;
    for (const std::string& word : expected)
        ++left[word];
    std::size_t understood = 0;
    for (const std::string& word : heard)
        if (const auto it = left.find(word); it != left.end() && it->second > 0) {
            --it->second;
            ++understood;
        }
    return understood;
}

bool PassesMark(std::size_t understood, std::size_t expected, const SpeechPassMark& mark) {
    return expected > 0 && understood * 100 >= expected * mark.percent;
}

bool ReadSpeechRecording(const std::string& path, SpeechRecording& recording, std::string& error) {
    CWaveFileReader reader;
    if (reader.Open(path) != S_OK) {
        error = path + ": " + reader.GetLastError();
        return false;
    }
    const WAVEFORMATEX format = *reader.GetFormat();
    const unsigned bits = format.wBitsPerSample;
    const unsigned channels = format.nChannels;
    if ((bits != 8 && bits != 16) || channels == 0 || format.nSamplesPerSec == 0) {
        error = path + ": only 8- and 16-bit PCM can be recognised, not " + std::to_string(bits) +
                "-bit";
        return false;
    }
    const std::size_t frameBytes = channels * (bits / 8);
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> buffer(kReadBytes);
    for (DWORD left = reader.GetDataSize(); left > 0;) {
        DWORD got = 0;
        if (reader.Read(std::min(left, kReadBytes), buffer.data(), got) != S_OK) {
            error = path + ": " + reader.GetLastError();
            return false;
        }
        if (got == 0)
            break;
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
        left -= got;
    }
    // Mixed to one channel, in 16-bit units.
    std::vector<double>& mono = recording.mono;
    mono.assign(bytes.size() / frameBytes, 0.0);
    for (std::size_t i = 0; i < mono.size(); ++i) {
        double sum = 0;
        for (unsigned c = 0; c < channels; ++c) {
            const std::uint8_t* s = bytes.data() + i * frameBytes + c * (bits / 8);
            sum += bits == 8 ? (s[0] - 128) * 256.0 : static_cast<std::int16_t>(s[0] | (s[1] << 8));
        }
        mono[i] = sum / channels;
    }
    recording.rate = format.nSamplesPerSec;
    return true;
}

SpeechResult CheckSpeech(const SpeechRecording& recording, const SpeechSentence& sentence,
                         CSpeechRecogniser& recogniser, const std::atomic<bool>& stop,
                         const std::string& modelRoot) {
    SpeechResult result;
    if (recording.rate > 0)
        result.seconds = static_cast<double>(recording.mono.size()) / recording.rate;
    const std::vector<std::string> expected = SpeechWords(sentence.text, sentence.language);
    result.expected = expected.size();
    SpeechModel model;
    if (!FindSpeechModel(modelRoot, sentence.language, model)) {
        result.outcome = SpeechOutcome::NoRecogniser;
        result.error = "no speech model for \"" + sentence.language + "\"" +
                       (modelRoot.empty() ? std::string() : " in " + modelRoot);
        return result;
    }
    if (expected.empty()) {
        result.error = "the test sentence has no words";
        return result;
    }
    const auto start = std::chrono::steady_clock::now();
    if (!recogniser.Load(model, result.error)) {
        // Without the library there is no recogniser; with it, a model it
        // cannot read is a failure.
        result.outcome = result.error.rfind("no speech recogniser", 0) == 0
                             ? SpeechOutcome::NoRecogniser
                             : SpeechOutcome::Failed;
        return result;
    }
    const auto loaded = std::chrono::steady_clock::now();
    result.loadSeconds = Seconds(loaded - start);
    const std::vector<std::int16_t> samples =
        ResampleMono(recording.mono, recording.rate, kSpeechSampleRate);
    const bool decoded =
        recogniser.Decode(samples.data(), samples.size(), stop, result.heard, result.error);
    result.decodeSeconds = Seconds(std::chrono::steady_clock::now() - loaded);
    if (stop.load()) {
        result.outcome = SpeechOutcome::Stopped;
        return result;
    }
    if (!decoded) {
        result.outcome = result.error.empty() ? SpeechOutcome::Stopped : SpeechOutcome::Failed;
        return result;
    }
    result.understood = CountUnderstood(expected, SpeechWords(result.heard, sentence.language));
    result.outcome = PassesMark(result.understood, result.expected) ? SpeechOutcome::Understood
                                                                    : SpeechOutcome::NotUnderstood;
    return result;
}

SpeechResult CheckSpeechFile(const std::string& path, const SpeechSentence& sentence,
                             const std::string& modelRoot) {
    SpeechRecording recording;
    SpeechResult result;
    if (!ReadSpeechRecording(path, recording, result.error))
        return result;
    CSpeechRecogniser recogniser;
    const std::atomic<bool> stop{false};
    return CheckSpeech(recording, sentence, recogniser, stop, modelRoot);
}

std::string DescribeSpeech(const SpeechResult& result) {
    char times[128];
    std::snprintf(times, sizeof times,
                  " (decoded in %.2f s after %.2f s loading, recording %.2f s)",
                  result.decodeSeconds, result.loadSeconds, result.seconds);
    switch (result.outcome) {
    case SpeechOutcome::Understood:
    case SpeechOutcome::NotUnderstood:
        return "understood " + std::to_string(result.understood) + " of " +
               std::to_string(result.expected) +
               " words: " + (result.heard.empty() ? std::string("(nothing)") : result.heard) +
               times +
               (result.outcome == SpeechOutcome::Understood ? ", passes" : ", below the pass mark");
    case SpeechOutcome::NoRecogniser:
        return "none serves (" + result.error + "): judged by the signal alone";
    case SpeechOutcome::Stopped:
        return "stopped";
    case SpeechOutcome::Failed:
        break;
    }
    return "failed: " + result.error;
}

CSpeechChecker::CSpeechChecker(std::string modelRoot) {
    m_worker->modelRoot = std::move(modelRoot);
}

CSpeechChecker::~CSpeechChecker() {
    m_worker->awaited = 0;
    std::lock_guard lock(m_worker->mutex);
    m_worker->quit = true;
    m_worker->next.reset();
    m_worker->stop = true;
    m_worker->wake.notify_all();
}

void CSpeechChecker::Start(SpeechRecording recording, SpeechSentence sentence, Done done) {
    auto job = std::make_unique<Job>();
    job->generation = ++m_generation;
    job->recording = std::move(recording);
    job->sentence = std::move(sentence);
    job->done = std::move(done);
    m_worker->awaited = job->generation;
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->next = std::move(job);
    }
    m_worker->wake.notify_all();
    if (!m_started) {
        std::thread([worker = m_worker] { Run(worker); }).detach();
        m_started = true;
    }
}

void CSpeechChecker::Cancel() {
    m_worker->awaited = 0;
    std::lock_guard lock(m_worker->mutex);
    m_worker->next.reset();
}

bool CSpeechChecker::Pending() const {
    return m_worker->awaited != 0;
}

void CSpeechChecker::Run(const std::shared_ptr<Worker>& worker) {
    CSpeechRecogniser recogniser; // kept loaded from one check to the next
    for (;;) {
        std::unique_ptr<Job> job;
        {
            std::unique_lock lock(worker->mutex);
            worker->wake.wait(lock, [&] { return worker->quit || worker->next != nullptr; });
            if (worker->quit)
                return;
            job = std::move(worker->next);
        }
        SpeechResult result =
            CheckSpeech(job->recording, job->sentence, recogniser, worker->stop, worker->modelRoot);
        // Once the checker ended nothing is posted: the GUI thread's loop may
        // be gone with the process.
        std::lock_guard lock(worker->mutex);
        if (worker->quit)
            return;
        if (worker->next != nullptr)
            continue; // a newer check is waiting: this one reports nothing
        plat::PostToMainThread([worker = std::weak_ptr<Worker>(worker),
                                generation = job->generation, done = std::move(job->done),
                                result = std::move(result)] {
            const std::shared_ptr<Worker> alive = worker.lock();
            if (!alive || alive->awaited != generation)
                return;
            alive->awaited = 0;
            done(result);
        });
    }
}
