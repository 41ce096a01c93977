// The system's message texts for the codes this runtime and its data-access layer meet.
#include "platform/automation/Automation.h"

namespace {

struct Message {
    HRESULT code;
    const char16_t* text;
};

constexpr Message kMessages[] = {
    {E_NOTIMPL, u"Not implemented"},
    {E_NOINTERFACE, u"No such interface supported"},
    {E_POINTER, u"Invalid pointer"},
    {E_ABORT, u"Operation aborted"},
    {E_FAIL, u"Unspecified error"},
    {E_UNEXPECTED, u"Catastrophic failure"},
    {E_ACCESSDENIED, u"Access is denied"},
    {E_OUTOFMEMORY, u"Not enough memory resources are available to complete this operation"},
    {E_INVALIDARG, u"The parameter is incorrect"},
    {CLASS_E_NOAGGREGATION, u"Class does not support aggregation (or class object is remote)"},
    {CLASS_E_CLASSNOTAVAILABLE, u"ClassFactory cannot supply requested class"},
    {REGDB_E_CLASSNOTREG, u"Class not registered"},
    {REGDB_E_READREGDB, u"Could not read key from registry"},
    {REGDB_E_WRITEREGDB, u"Could not write key to registry"},
    {CO_E_CLASSSTRING, u"Invalid class string"},
    {CO_E_DLLNOTFOUND, u"DLL for class not found"},
    {CO_E_ERRORINDLL, u"Error in the DLL"},
    {DISP_E_UNKNOWNINTERFACE, u"Unknown interface"},
    {DISP_E_MEMBERNOTFOUND, u"Member not found"},
    {DISP_E_PARAMNOTFOUND, u"Parameter not found"},
    {DISP_E_TYPEMISMATCH, u"Type mismatch"},
    {DISP_E_UNKNOWNNAME, u"Unknown name"},
    {DISP_E_NONAMEDARGS, u"No named arguments"},
    {DISP_E_BADVARTYPE, u"Bad variable type"},
    {DISP_E_EXCEPTION, u"Exception occurred"},
    {DISP_E_OVERFLOW, u"Overflow"},
    {DISP_E_BADINDEX, u"Invalid index"},
    {DISP_E_BADPARAMCOUNT, u"Invalid number of parameters"},
    {DISP_E_PARAMNOTOPTIONAL, u"Parameter not optional"},
    {TYPE_E_REGISTRYACCESS, u"Error accessing the OLE registry"},
    {TYPE_E_CANTLOADLIBRARY, u"Error loading type library/DLL"},
};

} // namespace

extern "C" AUTOMATION_API BSTR FormatSystemMessage(HRESULT hr) {
    for (const Message& m : kMessages)
        if (m.code == hr)
            return SysAllocString(m.text);
    return nullptr;
}
