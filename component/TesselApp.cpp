#include "component/TesselApp.h"

#include "component/ClassFactory.h"
#include "component/ModuleState.h"
#include "platform/automation/Automation.h"

// Constructed after the class factories, which have an earlier initialisation priority.
TesselApp theApp;

TesselApp::TesselApp() {
    InitInstance();
}

bool TesselApp::InitInstance() {
    ClassFactory::RegisterAll();
    const std::u16string path = ModuleState::Path();
    if (path.empty() || FAILED(RegisterTypeLibFromFile(path.c_str(), path.c_str(), nullptr)))
        OutputDebugStringW(u"Failed to register typelib!\n");
    return true;
}
