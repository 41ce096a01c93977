// Who writes a journal row, as far as the program knows it: the operating-system user, the host
// and the program's version (the database adds its own user and time).
#pragma once

#include <QString>

struct JournalIdentity {
    QString osUser;
    QString host;
    QString version;

    static JournalIdentity OfThisProcess();
};
