#include "platform/dataaccess/DatabaseWait.h"

#include <utility>

namespace dataaccess {

namespace {

DatabaseWait::Observer& CurrentObserver() {
    static DatabaseWait::Observer observer;
    return observer;
}

} // namespace

DatabaseWait::Observer DatabaseWait::SetObserver(Observer observer) {
    return std::exchange(CurrentObserver(), std::move(observer));
}

void DatabaseWait::Notify(bool waiting) {
    if (const Observer& observer = CurrentObserver())
        observer(waiting);
}

} // namespace dataaccess
