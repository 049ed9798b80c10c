#include "platform/stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace quarvel {

namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void OnStopSignal(int signal) { g_signal = signal; }

}  // namespace

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

int StopSignal() { return g_signal; }

}  // namespace quarvel
