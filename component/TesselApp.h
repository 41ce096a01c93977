// The module's application object: a static instance whose construction, when the module is
// loaded into any process, runs InitInstance.
#pragma once

class TesselApp {
public:
    TesselApp();
    TesselApp(const TesselApp&) = delete;
    TesselApp& operator=(const TesselApp&) = delete;

    // Makes the class factories findable and registers the type library the module carries, with
    // the module's own path and no help folder. A type library that cannot be registered is
    // reported on the debug output and does not stop the module. Always succeeds.
    bool InitInstance();
};

extern TesselApp theApp;
