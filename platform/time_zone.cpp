#include "platform/time_zone.h"

#include <cstdlib>
#include <ctime>

namespace quarvel {

void NameTheTimeZone() {
    if (std::getenv("TZ") == nullptr) ::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();
}

}  // namespace quarvel
