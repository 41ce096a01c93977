// The process's database object on a test database, as the dealer sets it up: a CADODatabase with
// the test database's connection attached and g_pDatabase pointing at it, for one scope. At the
// end the connection is detached (released, not closed) and g_pDatabase is what it was before.
//
//   TestDatabase db;
//   AttachedDatabase attached(db);
//   g_pDatabase->RunStatement(...);   // or attached->RunStatement(...)
#pragma once

#include "database/CADODatabase.h"
#include "tests/support/TestDatabase.h"

class AttachedDatabase {
public:
    explicit AttachedDatabase(TestDatabase& database) : m_previous(g_pDatabase) {
        m_database.AttachConnection(database.Connection());
        g_pDatabase = &m_database;
    }
    ~AttachedDatabase() {
        m_database.DetachConnection();
        g_pDatabase = m_previous;
    }
    AttachedDatabase(const AttachedDatabase&) = delete;
    AttachedDatabase& operator=(const AttachedDatabase&) = delete;

    CADODatabase& Database() { return m_database; }
    CADODatabase* operator->() { return &m_database; }

private:
    CADODatabase m_database;
    CADODatabase* m_previous;
};
