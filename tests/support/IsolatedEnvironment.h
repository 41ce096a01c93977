// What a test program sets up before anything else runs, so that a plain `ctest` (or the program
// run by hand) never touches the user's own files: a registry file, a runtime folder and a cache
// folder of the program's own in a temporary folder that goes with it, and the offscreen platform. Values that
// are already set (scripts/run-tests gives every test one registry of the build) are kept.
#pragma once

#include <QTemporaryDir>

class IsolatedEnvironment {
public:
    // KeepGiven: TESSEL_REGISTRY stays as set. OwnRegistry: the program's own file even when one is
    // set (for a program whose children damage the registry on purpose).
    enum class Registry { KeepGiven, OwnRegistry };

    explicit IsolatedEnvironment(Registry registry = Registry::KeepGiven);
    IsolatedEnvironment(const IsolatedEnvironment&) = delete;
    IsolatedEnvironment& operator=(const IsolatedEnvironment&) = delete;

private:
    QTemporaryDir m_folder; // removed when the program ends
};
