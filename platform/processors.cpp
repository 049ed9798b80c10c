#include "platform/processors.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>

namespace quarvel {

unsigned UsableProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<unsigned>(online) : 1u;
}

unsigned RunThreads(unsigned setting) {
    return std::min(setting == 0 ? UsableProcessors() : setting, kMaxThreads);
}

}  // namespace quarvel
