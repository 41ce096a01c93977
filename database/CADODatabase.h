// The process's database object: holds the host's connection and runs statements on it.
#pragma once

#include "database/CADOBase.h"
#include "platform/automation/ComPtr.h"
#include "platform/dataaccess/DataAccess.h"
#include "platform/dataaccess/SqlDialect.h"

using RowSource = ComPtr<_Recordset>;

class CADODatabase : public CADOBase {
public:
    CADODatabase();
    ~CADODatabase();
    CADODatabase(const CADODatabase&) = delete;
    CADODatabase& operator=(const CADODatabase&) = delete;

    // Makes the host's connection current; a null object or one that is not a connection leaves the
    // current connection empty. Other failures of the interface query throw ComError.
    void AttachConnection(IDispatch* hostObject);
    // Gives the host's connection back (released, not closed) and restores the saved one. A second
    // attachment keeps the wrapper's own connection saved, so no host connection is ever closed here.
    void DetachConnection();
    bool IsConnected() const;
    // The dialect the current connection translates statements for: Oracle for a connection that
    // is not the data-access layer's own (it receives statements untouched) and without one.
    dataaccess::SqlDialect Dialect() const;

    // A select on a client-side reading; on failure the error box (mode 0) and an empty row source.
    RowSource RunQuery(const QString& statement, int mode = 0);
    // A statement without rows; on failure the error box (mode 0) and false.
    bool RunStatement(const QString& statement, int mode = 0);

    // Throw ComError on failure; they do not report.
    LONG TransBegin();
    void TransCommit();
    void TransRollback();

    void Disconnect();
    const ComPtr<_Connection>& CurrentConnection() const { return m_connection; }

private:
    // Execute on the current connection, client-side; throws ComError (E_POINTER without one).
    ComPtr<_Recordset> Execute(const QString& statement, LONG options);

    ComPtr<_Connection> m_connection;
    ComPtr<_Connection> m_savedConnection;
    IDispatch* m_hostObject = nullptr; // held without a reference
    bool m_ownSaved = false;           // the saved slot holds the wrapper's own connection
};

// The database object of the newest dealer; every page and the commit work through it.
// One thread only, never locked: set and read on the thread that runs the wizard (the GUI thread),
// or in a host command or test on its main thread.
extern CADODatabase* g_pDatabase;
