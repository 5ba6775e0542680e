#include "platform/system/local_time.h"

namespace plat {

bool LocalTime(std::time_t moment, std::tm& local) {
    return ::localtime_r(&moment, &local) != nullptr;
}

} // namespace plat
