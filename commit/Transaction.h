// Finish and undo run their changes in one of these.
#pragma once

#include "database/CADODatabase.h"
#include "platform/automation/ComError.h"

// A transaction that ends on every path: Commit when asked, else a rollback when it goes out of
// scope, including while an exception passes (a programming error leaves nothing half written).
class Transaction {
public:
    Transaction() {
        g_pDatabase->TransBegin();
        m_open = true;
    }
    ~Transaction() {
        if (!m_open)
            return;
        try {
            g_pDatabase->TransRollback();
        } catch (const ComError&) {
            // The connection has ended it already (a COMMIT the server refused), or it is gone.
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws ComError when the server refuses; the destructor then rolls back.
    void Commit() {
        g_pDatabase->TransCommit();
        m_open = false;
    }

private:
    bool m_open = false;
};
