#include "commit/JournalIdentity.h"

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

JournalIdentity JournalIdentity::OfThisProcess() {
    JournalIdentity identity;
    // The account the process runs as, not a name the environment claims.
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name)
        identity.osUser = QString::fromLocal8Bit(entry->pw_name);
    else
        identity.osUser = QString::number(::geteuid());
    identity.host = QSysInfo::machineHostName();
    identity.version = QStringLiteral(TESSEL_VERSION);
    return identity;
}
