// The speech recogniser on Linux: PocketSphinx 5prealpha (libpocketsphinx.so.3
// over libsphinxbase.so.3), loaded at the first decode. Its headers are not
// needed to build: the few functions called are declared here, as their
// headers declare them (the decoder, its configuration and the argument
// table are opaque; int32 is int, int16 short).
#include "platform/system/speech_recogniser.h"

#include "platform/system/library_functions.h"

#include <vector>

namespace plat {

namespace {

struct SphinxDecoder;
struct Config;
struct ArgTable;

struct SphinxApi {
    const ArgTable* (*args)() = nullptr;
    Config* (*parse)(Config*, const ArgTable*, int, char**, int) = nullptr;
    int (*freeConfig)(Config*) = nullptr;
    SphinxDecoder* (*init)(Config*) = nullptr;
    int (*freeDecoder)(SphinxDecoder*) = nullptr;
    int (*startUtterance)(SphinxDecoder*) = nullptr;
    int (*processRaw)(SphinxDecoder*, const short*, std::size_t, int, int) = nullptr;
    int (*endUtterance)(SphinxDecoder*) = nullptr;
    const char* (*hypothesis)(SphinxDecoder*, int*) = nullptr;
    bool loaded = false;
    std::string error;
};

// Loaded once a process, when first asked for; never unloaded nor destroyed,
// so that a decode still running as the process ends finds it.
const SphinxApi& Sphinx() {
    static const SphinxApi& api = *[] {
        auto* made = new SphinxApi;
        SphinxApi& a = *made;
        HMODULE base = LoadSystemLibrary("libsphinxbase.so.3", a.error);
        HMODULE ps = base != nullptr ? LoadSystemLibrary("libpocketsphinx.so.3", a.error) : nullptr;
        a.loaded = ps != nullptr && BindFunction(ps, "ps_args", a.args, a.error) &&
                   BindFunction(base, "cmd_ln_parse_r", a.parse, a.error) &&
                   BindFunction(base, "cmd_ln_free_r", a.freeConfig, a.error) &&
                   BindFunction(ps, "ps_init", a.init, a.error) &&
                   BindFunction(ps, "ps_free", a.freeDecoder, a.error) &&
                   BindFunction(ps, "ps_start_utt", a.startUtterance, a.error) &&
                   BindFunction(ps, "ps_process_raw", a.processRaw, a.error) &&
                   BindFunction(ps, "ps_end_utt", a.endUtterance, a.error) &&
                   BindFunction(ps, "ps_get_hyp", a.hypothesis, a.error);
        if (!a.loaded)
            a.error = "no speech recogniser (" + a.error + ")";
        return made;
    }();
    return api;
}

// "the(2)" is the dictionary's second pronunciation of "the".
std::string WithoutVariants(const std::string& hypothesis) {
    std::string words;
    bool inVariant = false;
    for (const char c : hypothesis) {
        if (c == '(')
            inVariant = true;
        else if (c == ')')
            inVariant = false;
        else if (!inVariant)
            words += c;
    }
    return words;
}

} // namespace

struct CSpeechRecogniser::Decoder {
    SpeechModel model;
    // The configuration keeps pointers into these for the decoder's life.
    std::vector<std::string> arguments;
    SphinxDecoder* decoder = nullptr;
    ~Decoder() {
        if (decoder != nullptr)
            Sphinx().freeDecoder(decoder);
    }
};

std::string SpeechModelRoot() {
    return "/usr/share/pocketsphinx/model";
}

CSpeechRecogniser::CSpeechRecogniser() = default;
CSpeechRecogniser::~CSpeechRecogniser() = default;

bool CSpeechRecogniser::Loaded() const {
    return m_decoder != nullptr;
}

bool CSpeechRecogniser::Load(const SpeechModel& model, std::string& error) {
    if (m_decoder && m_decoder->model.acoustic == model.acoustic &&
        m_decoder->model.languageModel == model.languageModel &&
        m_decoder->model.dictionary == model.dictionary)
        return true;
    m_decoder.reset();
    const SphinxApi& api = Sphinx();
    if (!api.loaded) {
        error = api.error;
        return false;
    }
    auto d = std::make_unique<Decoder>();
    d->model = model;
    // The word search bounded so that a noisy recording decodes in well under
    // its length; the library's log goes nowhere.
    d->arguments = {"-hmm",      model.acoustic,   "-lm",     model.languageModel,
                    "-dict",     model.dictionary, "-logfn",  "/dev/null",
                    "-maxhmmpf", "3000",           "-maxwpf", "10"};
    std::vector<char*> argv;
    for (std::string& argument : d->arguments)
        argv.push_back(argument.data());
    Config* config = api.parse(nullptr, api.args(), static_cast<int>(argv.size()), argv.data(), 1);
    if (config == nullptr) {
        error = "the speech recogniser does not take its settings";
        return false;
    }
    d->decoder = api.init(config);
    api.freeConfig(config); // the decoder holds its own reference
    if (d->decoder == nullptr) {
        error = "the speech recogniser cannot read its model in " + model.acoustic;
        return false;
    }
    m_decoder = std::move(d);
    return true;
}

bool CSpeechRecogniser::Decode(const std::int16_t* samples, std::size_t count,
                               const std::atomic<bool>& stop, std::string& words,
                               std::string& error) {
    words.clear();
    error.clear();
    if (!m_decoder) {
        error = "no speech model is loaded";
        return false;
    }
    const SphinxApi& api = Sphinx();
    SphinxDecoder* decoder = m_decoder->decoder;
    if (stop.load())
        return false;
    if (api.startUtterance(decoder) < 0) {
        error = "the speech recogniser cannot start";
        return false;
    }
    // One piece, the whole utterance: the cepstral mean is then taken over
    // all of it, as the model was trained (fed in pieces the decoder guesses
    // it as it goes, and understands far less of a short sentence).
    if (api.processRaw(decoder, reinterpret_cast<const short*>(samples), count, 0, 1) < 0) {
        api.endUtterance(decoder);
        error = "the speech recogniser cannot decode the samples";
        return false;
    }
    if (api.endUtterance(decoder) < 0) {
        error = "the speech recogniser cannot end the utterance";
        return false;
    }
    int score = 0;
    const char* hypothesis = api.hypothesis(decoder, &score);
    words = hypothesis != nullptr ? WithoutVariants(hypothesis) : std::string();
    return true;
}

} // namespace plat
