// Where this installation keeps its component: libtessel.so beside the automation runtime the
// program was loaded with. Both live in one folder (the build's lib/, an installation's private
// library folder), and the program finds the runtime relative to itself, so the component is
// found wherever the installation was put.
#pragma once

#include <QString>

class ComponentLocation {
public:
    // The component's full path; it may not exist (a broken installation).
    static QString Module();
};
