#include "platform/system/local_time.h"

namespace plat {

bool LocalTime(std::time_t moment, std::tm& local) {
    return ::localtime_s(&local, &moment) == 0;
}

} // namespace plat
