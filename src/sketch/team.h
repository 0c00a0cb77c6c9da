#pragma once

#include <functional>

namespace carbonel {

// Runs work(member, teamSize) once on each thread of a team of `threads` (0: every core). An
// exception may not leave a parallel region, so one thrown by any member (an allocation that
// fails, say) is caught inside it and rethrown here once the whole team has finished.
void runOnTeam(int threads, const std::function<void(int member, int teamSize)>& work);

}  // namespace carbonel
