// Tells whoever shows the operator what happens (the wizard's status line) that a statement waits
// for another connection's lock, and when the wait is over: on SQLite, where one writer holds the
// whole file, such a wait can last seconds. Called on the thread that runs the statement, from
// inside the database call: an observer may repaint, but must not run the event loop or a statement.
#pragma once

#include "platform/dataaccess/DataAccessApi.h"

#include <functional>

namespace dataaccess {

class DATAACCESS_API DatabaseWait {
public:
    // waiting: true once a wait has lasted a moment, false when the statement went on or gave up.
    using Observer = std::function<void(bool waiting)>;

    // The previous observer comes back, for the caller to put back when it is done.
    static Observer SetObserver(Observer observer);
    static void Notify(bool waiting);
};

} // namespace dataaccess
