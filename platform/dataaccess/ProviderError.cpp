#include "platform/dataaccess/ProviderError.h"

#include "platform/dataaccess/ConnectByRewriter.h"


#include <QRegularExpression>
#include <QStringList>

namespace dataaccess {

namespace {
const OLECHAR* Utf16(const QString& s) {
    return reinterpret_cast<const OLECHAR*>(s.utf16());
}
} // namespace

QString ProviderError::Source(const QString& driverName) {
    const QString provider = QStringLiteral("tessel data access");
    return driverName.isEmpty() ? provider : QStringLiteral("%1 (%2)").arg(provider, driverName);
}

HRESULT ProviderError::Fail(HRESULT hr, const QString& source, const QString& description) {
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(CreateSimpleErrorInfo(Utf16(source), Utf16(description), &info)) && info) {
        SetErrorInfo(0, info);
        info->Release();
    }
    return hr;
}

QString ProviderError::Description(HRESULT hr) {
    struct Known {
        HRESULT code;
        const char* description;
    };
    static constexpr Known known[] = {
        {kErrorNoCurrentRecord, "Either BOF or EOF is True, or the current record has been deleted. Requested "
                                "operation requires a current record."},
        {kErrorInvalidArgument, "Arguments are of the wrong type, are out of acceptable range, or are in "
                                "conflict with one another."},
        {kErrorItemNotFound, "Item cannot be found in the collection corresponding to the requested name or "
                             "ordinal."},
        {kErrorObjectClosed, "Operation is not allowed when the object is closed."},
        {kErrorObjectOpen, "Operation is not allowed when the object is open."},
        {kErrorInvalidConnection, "The connection cannot be used to perform this operation. It is either "
                                  "closed or invalid in this context."},
        {kErrorTransactionExists, "Only one transaction can be active on this session."},
        {kErrorNoTransaction, "No transaction is active."},
    };
    for (const Known& k : known)
        if (k.code == hr)
            return QString::fromLatin1(k.description);
    return {};
}

QString ProviderError::DatabaseMessage(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    // A hierarchical query that met a loop fails on PostgreSQL with a cast of this text.
    if (text.contains(QLatin1String(LoopInDataMessage)))
        return QString::fromLatin1(LoopInDataMessage);
    if (text.isEmpty())
        return error.text().trimmed();
    // A statement of a block of writes (a DO block) that failed is quoted whole in the server's
    // context lines, megabytes of values it may be: the operator reads the message as the statement
    // on its own would have given it.
    static const QRegularExpression blockStatement(
        QStringLiteral("SQL statement \".*?\"\nPL/pgSQL function inline_code_block line \\d+ at SQL statement\\n?"),
        QRegularExpression::DotMatchesEverythingOption);
    text.remove(blockStatement);
    QStringList kept;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.startsWith(u"LINE ")) {
            if (i + 1 < lines.size() && lines[i + 1].trimmed() == u"^")
                ++i;
            continue;
        }
        if (!error.nativeErrorCode().isEmpty() && line == u'(' + error.nativeErrorCode() + u')')
            continue;
        if (!line.isEmpty() && line != u"CONTEXT:")
            kept.append(lines[i].trimmed());
    }
    return kept.join(u'\n');
}

HRESULT ProviderError::FailBare(HRESULT hr) {
    SetErrorInfo(0, nullptr);
    return hr;
}

} // namespace dataaccess
