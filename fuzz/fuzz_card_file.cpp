// The virtual card's description file on any bytes: a refused file says why;
// an accepted one builds a card.
#include "fuzz/FuzzSupport.h"
#include "platform/virtual/CardFile.h"
#include "platform/virtual/VirtualCard.h"

namespace {
constexpr const char* kName = "fuzz_card_file";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::WriteInput("card.ini", data, size);
    plat::VirtualCardDesc desc;
    std::string error;
    if (!plat::ReadCardFile(path, desc, error)) {
        if (error.empty())
            fuzz::Fail(kName, "the file is refused without a reason");
        return 0;
    }
    // A microphone file named in the input could be any file of the machine:
    // the card is built with a silent microphone instead.
    desc.microphone = plat::MicrophoneSignal{};
    desc.microphone.kind = plat::MicrophoneSignal::Kind::Silence;
    desc.outputFile.clear();
    plat::CVirtualCard card(std::move(desc), plat::CVirtualCard::Clock::Manual);
    return 0;
}
