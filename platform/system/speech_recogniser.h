// An offline speech recogniser of the system, for checking that a recording
// can be understood: a large-vocabulary model of a language (its acoustic
// model, general language model and pronouncing dictionary) decodes 16 kHz
// mono 16-bit samples into the words it heard. On Linux the recogniser's
// libraries are loaded at the first decode, as libcurl is; Windows has none.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace plat {

// The rate the recogniser decodes at.
inline constexpr unsigned kSpeechSampleRate = 16000;

struct SpeechModel {
    std::string language;      // "en"
    std::string acoustic;      // the acoustic model's directory
    std::string languageModel; // the general language model (binary or text)
    std::string dictionary;    // the pronouncing dictionary
};

// Where this system keeps the recogniser's models ("" for none).
std::string SpeechModelRoot();

// The model for `language` (a code such as "en" or "de") under root: a
// directory named after the language ("en", "en-us", "en_US", ...) holding
// the acoustic model (a directory with the files "mdef", "means",
// "variances", "transition_matrices" and "noisedict"), a language model
// ("*.lm.bin" or "*.lm", a phone model "*-phone.*" never) and a dictionary
// ("*.dict"). False when none is complete; the first complete one in name
// order otherwise.
bool FindSpeechModel(const std::string& root, const std::string& language, SpeechModel& model);

// One decoder over one model, loaded once and used for one decode at a time
// (from any one thread at a time).
class CSpeechRecogniser {
public:
    CSpeechRecogniser();
    ~CSpeechRecogniser();
    CSpeechRecogniser(const CSpeechRecogniser&) = delete;
    CSpeechRecogniser& operator=(const CSpeechRecogniser&) = delete;

    // Loads the recogniser's libraries (once a process) and the model; false
    // with `error` saying why (no recogniser on this system, a model it
    // cannot read). Loading the model it holds already does nothing.
    bool Load(const SpeechModel& model, std::string& error);
    bool Loaded() const;
    // Decodes the samples (kSpeechSampleRate, mono) as one utterance, in one
    // call that cannot be interrupted: `stop` set before it answers false
    // with `error` empty. `words` gets what the recogniser heard, lower case,
    // separated by blanks ("" for nothing).
    bool Decode(const std::int16_t* samples, std::size_t count, const std::atomic<bool>& stop,
                std::string& words, std::string& error);

private:
    struct Decoder;
    std::unique_ptr<Decoder> m_decoder;
};

} // namespace plat
