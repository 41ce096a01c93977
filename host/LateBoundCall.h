// A method called by name through IDispatch::Invoke, as a late-bound host calls it, and what went
// wrong when it fails: the exception the callee raised (its description, its own code), else the
// error object it set, else the meaning of the code.
#pragma once

#include "platform/automation/Automation.h"

#include <QString>

#include <vector>

class LateBoundCall {
public:
    struct Outcome {
        HRESULT hr = S_OK;
        QString raised; // the description of the exception the callee raised
        HRESULT raisedCode = S_OK;
        bool Failed() const { return FAILED(hr); }
        // "description (0x80004005)"
        QString ErrorText() const;
    };

    // Calls `name` on `object` with `args` in order; `result` may be null.
    static Outcome Invoke(IDispatch* object, const char16_t* name, std::vector<VARIANT> args, VARIANT* result);
    // What a failed call that raised no exception says: its error object, else the code's meaning.
    static QString ErrorText(HRESULT hr);
};
