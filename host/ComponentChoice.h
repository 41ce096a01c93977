// Which component a tessel program runs. Each installation (and each build) runs the component
// installed beside its own libraries, whatever another installation registered last in the user's
// registry; the registered one runs when the user asks for it (--registered, or
// TESSEL_USE_REGISTERED=1). Either way the class is found by ProgID, as a host finds it: the
// registry gives tessel.dealer's CLSID, and the chosen module's DllGetClassObject makes it.
#pragma once

#include "platform/automation/Automation.h"

#include <QString>

class CommandLine;

class ComponentChoice {
public:
    // The environment variable that asks for the registered component.
    static constexpr const char* kEnvironmentVariable = "TESSEL_USE_REGISTERED";

    // The registered one when the command line or the environment asks for it.
    explicit ComponentChoice(bool registered);
    static bool RegisteredRequested(const CommandLine& line);
    // TESSEL_USE_REGISTERED set to anything but empty, 0, no or false.
    static bool EnvironmentAsksRegistered();

    // This installation's component (its full path; it may be missing in a broken installation).
    static QString Beside();
    // The module registered for tessel.dealer; empty when none is.
    static QString Registered();
    // The module this choice runs ("" when the registered one is asked for and there is none).
    QString Module() const;
    bool UsesRegistered() const { return m_registered; }

    // Creates tessel.dealer from the chosen module; registers this installation's component first
    // when the user's registry knows no tessel.dealer. On failure, `error` says why.
    HRESULT CreateDealer(IDispatch** dealer, QString& error) const;

    // Two lines for --version and tessel register: what is registered, and what would run.
    static QString Description(bool registered);

private:
    bool m_registered;
};
