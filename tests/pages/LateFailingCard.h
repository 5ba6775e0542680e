// A virtual card whose mixer writes may fail after they were answered, as
// the desktop's sound server's volume writes do: the test sets the words the
// backend keeps for the last such failure ("" for none).
#pragma once

#include "platform/virtual/VirtualCard.h"

#include <string>

class CLateFailingCard : public plat::CVirtualCard {
public:
    using plat::CVirtualCard::CVirtualCard;
    std::string LastMixerWriteFailure() override { return lateFailure; }

    std::string lateFailure; // read and set on the GUI thread only
};
