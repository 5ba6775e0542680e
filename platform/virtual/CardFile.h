// Reads a card description file (INI; see docs/virtual-card.md).
#pragma once

#include "platform/virtual/CardModel.h"

#include <string>

namespace plat {

// False with a message naming the file, section and key when the file cannot
// be read or a value is wrong; `card` is then left as it was.
bool ReadCardFile(const std::string& path, VirtualCardDesc& card, std::string& error);

} // namespace plat
