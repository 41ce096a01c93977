#include "host/Interruption.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_requested = 0;

extern "C" void OnInterrupt(int) {
    g_requested = 1;
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

Interruption::Interruption() {
    g_requested = 0;
    std::signal(SIGINT, OnInterrupt);
}

Interruption::~Interruption() {
    std::signal(SIGINT, SIG_DFL);
}

bool Interruption::Requested() {
    return g_requested != 0;
}

void Interruption::Check() {
    if (Requested())
        throw Interrupted();
}
