#include "support/Cores.h"

#include <sched.h>

#include <thread>

int UsableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0)
            return count;
    }
    const unsigned machine = std::thread::hardware_concurrency();
    return machine > 0 ? static_cast<int>(machine) : 1;
}
