#include "app/ui/start_stamps.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>
#include <string>

namespace carbonel {

void stampStart(const char* moment) {
    static const char* const file = std::getenv("CARBONEL_START_STAMPS");
    static std::set<std::string> stamped;
    if (!file || !stamped.insert(moment).second) return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (std::FILE* out = std::fopen(file, "a")) {
        std::fprintf(out, "%s %lld\n", moment,
                     static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fclose(out);
    }
}

}  // namespace carbonel
