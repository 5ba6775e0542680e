// Whether a speech recogniser understands the recording of the test sentence.
// The recording, mixed to mono and resampled to the recogniser's 16 kHz, is
// decoded with a large-vocabulary model of the sentence's language (its
// general language model and dictionary, never a grammar of the sentence,
// which would answer the expected words for any sound) and the words heard
// are counted against the sentence's words: a multiset intersection, so
// order does not matter but a word said once counts once; case and
// punctuation do not count. The check runs on a worker thread of its own
// (CSpeechChecker) and hands its result to the GUI thread.
#pragma once

#include "platform/system/speech_recogniser.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// How much of the sentence the recogniser must understand: at least this
// share of its words (3 of 5 for our sentence). The recorder's 11025 Hz
// keep nothing of the band from 5.5 to 6.8 kHz the model was trained on,
// which costs a clear sentence a word or two; a clipped or drowned one, or
// another sentence, keeps two words at most.
struct SpeechPassMark {
    unsigned percent = 60;
};
inline constexpr SpeechPassMark kSpeechPassMark{};

// The words of a text (UTF-8 or Windows-1252), folded to small letters, in
// UTF-8, without the punctuation around them; an apostrophe within a word
// stays ("i'm"). In English, contractions the recogniser's dictionary writes
// as one word stand for their two ("i'm" is "i am").
std::vector<std::string> SpeechWords(std::string_view text, std::string_view language);

// How many of `expected` were heard, each heard word matching one expected
// word at most.
std::size_t CountUnderstood(const std::vector<std::string>& expected,
                            const std::vector<std::string>& heard);

bool PassesMark(std::size_t understood, std::size_t expected,
                const SpeechPassMark& mark = kSpeechPassMark);

// The sentence the user reads and the code of its language ("en").
struct SpeechSentence {
    std::string text;
    std::string language;
};

enum class SpeechOutcome {
    Understood,    // at least the pass mark
    NotUnderstood, // below it
    NoRecogniser,  // no recogniser, or none for the language
    Failed,        // the recogniser or the file failed: `error`
    Stopped,       // a newer check or the end of the checker stopped it
};

struct SpeechResult {
    SpeechOutcome outcome = SpeechOutcome::Failed;
    std::size_t understood = 0;
    std::size_t expected = 0;
    std::string heard;        // the words the recogniser heard
    std::string error;        // why there is no count
    double seconds = 0;       // the recording's length
    double loadSeconds = 0;   // loading the model (0 when it was loaded)
    double decodeSeconds = 0; // the resampling's and the decode's
};

// A recording mixed to one channel, in 16-bit units, at its own rate.
struct SpeechRecording {
    std::vector<double> mono;
    unsigned rate = 0;
};

// Reads a PCM WAVE file (8 or 16 bits, any channels and rate); false with
// `error` naming the file and the reason.
bool ReadSpeechRecording(const std::string& path, SpeechRecording& recording, std::string& error);

// Resamples the recording to the recogniser's rate, decodes it with the model
// of the sentence's language found under modelRoot (loading it into
// recogniser when it holds another) and counts the words; on the calling
// thread. `stop` set ends the decode early (SpeechOutcome::Stopped).
SpeechResult CheckSpeech(const SpeechRecording& recording, const SpeechSentence& sentence,
                         plat::CSpeechRecogniser& recogniser, const std::atomic<bool>& stop,
                         const std::string& modelRoot = plat::SpeechModelRoot());

// The same for a file, with a recogniser of its own.
SpeechResult CheckSpeechFile(const std::string& path, const SpeechSentence& sentence,
                             const std::string& modelRoot = plat::SpeechModelRoot());

// The check on a worker thread: the GUI thread hands it the recording and
// gets the result back through plat::PostToMainThread; the resampling and the
// decode run on the worker, which keeps its model loaded for the next check.
// Only the last check asked for reports. A decode cannot be interrupted: a
// newer check waits for it, and the checker's end leaves it to finish on its
// own (the thread owns what it uses and reports nothing any more).
class CSpeechChecker {
public:
    using Done = std::function<void(const SpeechResult&)>;

    explicit CSpeechChecker(std::string modelRoot = plat::SpeechModelRoot());
    // Returns at once; a decode running ends on the worker.
    ~CSpeechChecker();
    CSpeechChecker(const CSpeechChecker&) = delete;
    CSpeechChecker& operator=(const CSpeechChecker&) = delete;

    // Checks the recording; `done` runs on the GUI thread with the result,
    // unless Start or Cancel is called again, or the checker ends, first.
    void Start(SpeechRecording recording, SpeechSentence sentence, Done done);
    // No result of a check asked for so far will be reported.
    void Cancel();
    // A check was asked for and its result has not been reported yet.
    bool Pending() const;

private:
    struct Job {
        std::uint64_t generation = 0;
        SpeechRecording recording;
        SpeechSentence sentence;
        Done done;
    };
    // What the checker, its thread and the results it posted share.
    struct Worker {
        std::string modelRoot;
        std::mutex mutex;
        std::condition_variable wake;
        std::unique_ptr<Job> next;     // under mutex
        bool quit = false;             // under mutex: the checker ended
        std::atomic<bool> stop{false}; // set with quit: a check not yet decoding gives way
        std::uint64_t awaited = 0;     // GUI thread only: the check to report, 0 for none
    };
    static void Run(const std::shared_ptr<Worker>& worker);

    std::shared_ptr<Worker> m_worker = std::make_shared<Worker>();
    std::uint64_t m_generation = 0;
    bool m_started = false; // the thread runs
};

// A line for --verdict and the trace log: "understood 4 of 5 words: i am
// ... (decoded in 0.62 s, recording 3.26 s)".
std::string DescribeSpeech(const SpeechResult& result);
