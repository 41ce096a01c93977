// The debug output: standard error in UTF-8, or a listener a test installs.
#include "platform/automation/Utf.h"
#include "platform/automation/Automation.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_debugMutex;
DebugOutputListener g_listener = nullptr;
void* g_listenerContext = nullptr;

} // namespace

extern "C" {

AUTOMATION_API void OutputDebugStringW(LPCOLESTR lpOutputString) {
    if (!lpOutputString)
        return;
    std::lock_guard lock(g_debugMutex);
    if (g_listener) {
        g_listener(lpOutputString, g_listenerContext);
        return;
    }
    const std::string text = automation::ToUtf8(lpOutputString);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

AUTOMATION_API DebugOutputListener SetDebugOutputListener(DebugOutputListener listener, void* context) {
    std::lock_guard lock(g_debugMutex);
    DebugOutputListener previous = g_listener;
    g_listener = listener;
    g_listenerContext = context;
    return previous;
}

} // extern "C"
