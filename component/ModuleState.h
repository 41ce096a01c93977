// What the component module knows about itself: its lock count (live objects and server locks,
// which DllCanUnloadNow reads) and the file it was loaded from.
// Any thread: the lock count is atomic (objects may be released and servers locked anywhere).
#pragma once

#include <string>

class ModuleState {
public:
    static void Lock();
    static void Unlock();
    static long LockCount();

    // The full path of the loaded module (libtessel.so), symbolic links resolved.
    static std::u16string Path();
};
