#include "host/ComponentLocation.h"

#include "platform/automation/Automation.h"

#include <QFileInfo>

#include <dlfcn.h>

QString ComponentLocation::Module() {
    Dl_info runtime{};
    if (!::dladdr(reinterpret_cast<const void*>(&SysAllocString), &runtime) || !runtime.dli_fname)
        return QStringLiteral("libtessel.so");
    return QFileInfo(QString::fromLocal8Bit(runtime.dli_fname)).canonicalPath() + QStringLiteral("/libtessel.so");
}
