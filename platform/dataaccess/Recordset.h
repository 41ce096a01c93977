// The reading of one select. A client-side reading (adUseClient, or any cursor but a server-side
// forward-only one) holds all its rows from the moment it is opened, so statements run while it is
// read never change what it returns. A server-side forward-only reading streams its rows; before
// another statement runs on its connection it reads the rest of them (see Connection::AddStream).
#pragma once

#include "platform/dataaccess/AutomationObject.h"
#include "platform/dataaccess/DataAccess.h"
#include "platform/dataaccess/ProviderError.h"

#include "platform/automation/ComPtr.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

namespace dataaccess {

class Connection;

class Recordset final : public AutomationObject<_Recordset, IID__Recordset> {
public:
    Recordset() = default;

    // The column names of a reading of ours, as the database gives them (the header of
    // `tessel sql`); empty for anything else. Exported, as the class is not.
    DATAACCESS_API static QStringList FieldNames(IUnknown* reading);

    // Opens on an executed select; positions on the first row.
    HRESULT Load(Connection& connection, QSqlQuery&& query, const QString& translatedText, bool stream);
    // Reads the remaining rows of a stream into memory and lets go of the live query.
    void Settle();

    HRESULT get_CursorLocation(LONG* location) override;
    HRESULT put_CursorLocation(LONG location) override;
    HRESULT Open(VARIANT source, VARIANT activeConnection, LONG cursorType, LONG lockType,
                 LONG options) override;
    HRESULT get_EOF(VARIANT_BOOL* eof) override;
    HRESULT MoveNext() override;
    HRESULT MoveFirst() override;
    HRESULT get_RecordCount(LONG* count) override;
    HRESULT get_FieldCount(LONG* count) override;
    HRESULT GetFieldValue(VARIANT index, VARIANT* value) override;
    HRESULT get_State(LONG* state) override;
    HRESULT put_Sort(BSTR criteria) override;
    HRESULT Close() override;

private:
    using Row = std::vector<QVariant>;

    ~Recordset() override;
    Row ReadRow(const QSqlQuery& query) const;
    // Fetches the next row of the stream into m_rows; false at its end or on an error (m_streamError).
    bool FetchStreamRow();
    void EndStream();
    HRESULT Fail(HRESULT hr, const QString& description) const;
    // With the provider's own description of the code.
    HRESULT Fail(HRESULT hr) const { return Fail(hr, ProviderError::Description(hr)); }
    bool AtEnd() const { return m_position >= m_rows.size(); }

    bool m_open = false;
    LONG m_cursorLocation = adUseServer;
    QString m_source;
    bool m_emptyTextIsNull = false;
    QStringList m_fieldNames;
    std::vector<bool> m_numericFields;
    std::vector<Row> m_rows;
    size_t m_position = 0;
    qint64 m_rowsBefore = 0; // rows of a stream already passed and let go
    LONG m_recordCount = -1;
    std::optional<QSqlQuery> m_stream;
    QString m_streamError;
    ComPtr<Connection> m_connection; // the connection of a streaming reading, to start it over
    QString m_text;                  // the statement as run, to start a stream over
};

} // namespace dataaccess
