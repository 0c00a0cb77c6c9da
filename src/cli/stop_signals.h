#pragma once

#include <atomic>

namespace carbonel::cli {

// While one lives, SIGINT, SIGTERM and SIGHUP only set flag() (to the signal's number), so that a
// long run can stop, remove what it wrote and end with status 128 + the signal. A second signal
// ends the program at once, through the handler that was there before.
class StopOnSignals {
  public:
    StopOnSignals();
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

    const std::atomic<int>& flag() const;
};

}  // namespace carbonel::cli
