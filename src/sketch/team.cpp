#include "sketch/team.h"

#include <omp.h>

#include <exception>

namespace carbonel {

void runOnTeam(int threads, const std::function<void(int member, int teamSize)>& work) {
    std::exception_ptr failure;
#pragma omp parallel num_threads(threads > 0 ? threads : omp_get_max_threads())
    {
        try {
            work(omp_get_thread_num(), omp_get_num_threads());
        } catch (...) {
#pragma omp critical(carbonel_team_failure)
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

}  // namespace carbonel
