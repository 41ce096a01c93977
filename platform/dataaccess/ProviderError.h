// The failure codes of the data-access objects, and the error object a failure leaves on the
// calling thread.
#pragma once

#include "platform/automation/Automation.h"

#include <QSqlError>
#include <QString>

namespace dataaccess {

// Codes as the platform's data-access library has them.
inline constexpr HRESULT kErrorNoCurrentRecord = static_cast<HRESULT>(0x800A0BCD); // BOF or EOF
inline constexpr HRESULT kErrorInvalidArgument = static_cast<HRESULT>(0x800A0BB9);
inline constexpr HRESULT kErrorItemNotFound = static_cast<HRESULT>(0x800A0CC1);
inline constexpr HRESULT kErrorFeatureNotAvailable = static_cast<HRESULT>(0x800A0CB3);
inline constexpr HRESULT kErrorObjectClosed = static_cast<HRESULT>(0x800A0E78);
inline constexpr HRESULT kErrorObjectOpen = static_cast<HRESULT>(0x800A0E79);
inline constexpr HRESULT kErrorInvalidConnection = static_cast<HRESULT>(0x800A0E7D);
inline constexpr HRESULT kErrorTransactionExists = static_cast<HRESULT>(0x8004D013);
inline constexpr HRESULT kErrorNoTransaction = static_cast<HRESULT>(0x8004D00E);

class ProviderError {
public:
    // "tessel data access (QSQLITE)": our provider's name and the driver, if known.
    static QString Source(const QString& driverName);
    // Sets the thread's error object (source and description) and returns hr.
    static HRESULT Fail(HRESULT hr, const QString& source, const QString& description);
    // The description the provider gives with one of its codes above; empty for any other.
    static QString Description(HRESULT hr);
    // The database's own message for a failure, without the parts that point into the statement as
    // translated (PostgreSQL's "LINE n:" excerpt and its caret) or repeat the error code.
    static QString DatabaseMessage(const QSqlError& error);
    // Clears the thread's error object and returns hr: a failure without source or description.
    static HRESULT FailBare(HRESULT hr);
};

} // namespace dataaccess
