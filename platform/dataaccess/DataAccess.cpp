// The factory functions of the data-access library.
#include "platform/dataaccess/DataAccess.h"

#include "platform/dataaccess/Connection.h"
#include "platform/dataaccess/ProviderError.h"
#include "platform/dataaccess/Recordset.h"

#include <QSqlDatabase>

using dataaccess::ProviderError;

HRESULT CreateConnection(_Connection** connection) {
    if (!connection)
        return E_POINTER;
    *connection = new dataaccess::Connection;
    return S_OK;
}

HRESULT CreateRecordset(_Recordset** recordset) {
    if (!recordset)
        return E_POINTER;
    *recordset = new dataaccess::Recordset;
    return S_OK;
}

HRESULT WrapQtConnection(const QString& qtConnectionName, _Connection** connection) {
    if (!connection)
        return E_POINTER;
    *connection = nullptr;
    if (!QSqlDatabase::contains(qtConnectionName))
        return ProviderError::Fail(
            E_INVALIDARG, ProviderError::Source({}),
            QStringLiteral("there is no Qt SQL connection named %1").arg(qtConnectionName));
    *connection = new dataaccess::Connection(qtConnectionName);
    return S_OK;
}
