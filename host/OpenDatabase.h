// The process's database object on a URL's connection, as the dealer holds the host's: the
// commands that run the system's own statements (decompose, history, undo) open it for their run.
#pragma once

#include "database/CADODatabase.h"
#include "platform/automation/ComPtr.h"
#include "platform/dataaccess/DataAccess.h"

#include <QString>

class OpenDatabase {
public:
    // Opens the URL and points g_pDatabase at it; false with the driver's words in `error`.
    bool Open(const QString& url, QString& error);
    ~OpenDatabase();

private:
    ComPtr<_Connection> m_connection;
    CADODatabase m_database;
    CADODatabase* m_previous = nullptr;
};
