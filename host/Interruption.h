// Ctrl-C (SIGINT) during long work: while an Interruption lives, the signal only marks a request,
// which the work checks at safe points to stop and clean up. A second Ctrl-C ends the process as
// usual.
#pragma once

#include <stdexcept>

class Interruption {
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    static bool Requested();
    // Throws Interrupted when a request came.
    static void Check();
};

class Interrupted : public std::runtime_error {
public:
    Interrupted() : std::runtime_error("interrupted") {}
};
