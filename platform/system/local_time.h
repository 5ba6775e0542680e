// A moment as the user's clock shows it (thread-safe, unlike std::localtime).
#pragma once

#include <ctime>

namespace plat {

// False when the system cannot place the moment.
bool LocalTime(std::time_t moment, std::tm& local);

} // namespace plat
