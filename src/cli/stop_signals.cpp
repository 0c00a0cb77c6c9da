#include "cli/stop_signals.h"

#include <signal.h>

namespace carbonel::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
std::atomic<int> signalled{0};
struct sigaction before[sizeof kSignals / sizeof kSignals[0]];

void remember(int signal) {
    // The first signal asks for a stop; the handler before takes any that follows.
    int none = 0;
    signalled.compare_exchange_strong(none, signal);
    for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        ::sigaction(kSignals[i], &before[i], nullptr);
}

}  // namespace

StopOnSignals::StopOnSignals() {
    struct sigaction action {};
    action.sa_handler = remember;
    action.sa_flags = SA_RESTART;  // the writes under way go on until the stop is seen
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        ::sigaction(kSignals[i], &action, &before[i]);
}

StopOnSignals::~StopOnSignals() {
    for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        ::sigaction(kSignals[i], &before[i], nullptr);
}

const std::atomic<int>& StopOnSignals::flag() const {
    return signalled;
}

}  // namespace carbonel::cli
