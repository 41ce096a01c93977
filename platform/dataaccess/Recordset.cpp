#include "platform/dataaccess/Recordset.h"

#include "platform/dataaccess/BstrText.h"
#include "platform/dataaccess/Connection.h"
#include "platform/dataaccess/FieldValue.h"
#include "platform/dataaccess/ProviderError.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

namespace dataaccess {

namespace {

const VARIANT& Dereferenced(const VARIANT& v) {
    return (v.vt == (VT_VARIANT | VT_BYREF) && v.pvarVal) ? *v.pvarVal : v;
}

} // namespace

Recordset::~Recordset() {
    EndStream();
}

HRESULT Recordset::Fail(HRESULT hr, const QString& description) const {
    return ProviderError::Fail(hr, m_source.isEmpty() ? ProviderError::Source({}) : m_source, description);
}

Recordset::Row Recordset::ReadRow(const QSqlQuery& query) const {
    Row row(m_fieldNames.size());
    for (qsizetype i = 0; i < m_fieldNames.size(); ++i)
        if (!query.isNull(static_cast<int>(i)))
            row[static_cast<size_t>(i)] = query.value(static_cast<int>(i));
    return row;
}

QStringList Recordset::FieldNames(IUnknown* reading) {
    if (!reading)
        return {};
    ComPtr<_Recordset> recordset;
    if (FAILED(reading->QueryInterface(IID__Recordset, reinterpret_cast<void**>(recordset.Put()))))
        return {};
    const auto* ours = dynamic_cast<const Recordset*>(recordset.Get());
    return ours ? ours->m_fieldNames : QStringList();
}

HRESULT Recordset::Load(Connection& connection, QSqlQuery&& query, const QString& translatedText,
                        bool stream) {
    EndStream();
    m_rows.clear();
    m_position = 0;
    m_rowsBefore = 0;
    m_streamError.clear();
    m_source = connection.Source();
    m_emptyTextIsNull = connection.Dialect() != SqlDialect::Oracle;
    m_text = translatedText;
    const QSqlRecord record = query.record();
    m_fieldNames.clear();
    m_numericFields.assign(static_cast<size_t>(record.count()), false);
    for (int i = 0; i < record.count(); ++i) {
        m_fieldNames.append(record.fieldName(i));
        // NUMERIC/DECIMAL columns arrive as text at high precision; they read as numbers.
        m_numericFields[static_cast<size_t>(i)] = record.field(i).metaType().id() == QMetaType::Double;
    }
    if (stream) {
        m_stream.emplace(std::move(query));
        m_connection = &connection;
        connection.AddStream(this);
        const bool sized = m_stream->driver() && m_stream->driver()->hasFeature(QSqlDriver::QuerySize);
        m_recordCount = sized ? m_stream->size() : -1;
        if (!FetchStreamRow() && !m_streamError.isEmpty())
            return Fail(DB_E_ERRORSINCOMMAND, m_streamError);
    } else {
        while (query.next())
            m_rows.push_back(ReadRow(query));
        if (query.lastError().isValid())
            return Fail(DB_E_ERRORSINCOMMAND, ProviderError::DatabaseMessage(query.lastError()));
        m_recordCount = static_cast<LONG>(m_rows.size());
        m_connection.Reset();
    }
    m_open = true;
    return S_OK;
}

bool Recordset::FetchStreamRow() {
    if (!m_stream)
        return false;
    if (m_stream->next()) {
        m_rows.push_back(ReadRow(*m_stream));
        return true;
    }
    if (m_stream->lastError().isValid())
        m_streamError = ProviderError::DatabaseMessage(m_stream->lastError());
    EndStream();
    return false;
}

void Recordset::EndStream() {
    if (!m_stream)
        return;
    m_stream.reset();
    if (m_connection)
        m_connection->RemoveStream(this);
}

void Recordset::Settle() {
    while (FetchStreamRow()) {
    }
    EndStream();
}

HRESULT Recordset::get_CursorLocation(LONG* location) {
    if (!location)
        return E_POINTER;
    *location = m_cursorLocation;
    return S_OK;
}

HRESULT Recordset::put_CursorLocation(LONG location) {
    if (m_open)
        return Fail(kErrorObjectOpen);
    if (location != adUseServer && location != adUseClient)
        return Fail(kErrorInvalidArgument);
    m_cursorLocation = location;
    return S_OK;
}

HRESULT Recordset::Open(VARIANT source, VARIANT activeConnection, LONG cursorType, LONG, LONG) {
    if (m_open)
        return Fail(kErrorObjectOpen);
    const VARIANT& text = Dereferenced(source);
    QString statement;
    if (text.vt == VT_BSTR)
        statement = BstrText::ToQString(text.bstrVal);
    else if (text.vt == (VT_BSTR | VT_BYREF) && text.pbstrVal)
        statement = BstrText::ToQString(*text.pbstrVal);
    else
        return Fail(kErrorInvalidArgument,
                    QStringLiteral("the source of a reading must be a statement text"));

    const VARIANT& holder = Dereferenced(activeConnection);
    IUnknown* object = nullptr;
    if (holder.vt == VT_DISPATCH || holder.vt == VT_UNKNOWN)
        object = holder.punkVal;
    else if ((holder.vt == (VT_DISPATCH | VT_BYREF) || holder.vt == (VT_UNKNOWN | VT_BYREF)) &&
             holder.ppunkVal)
        object = *holder.ppunkVal;
    if (!object)
        return Fail(E_POINTER, QStringLiteral("the reading has no connection"));
    Connection* connection = Connection::From(object);
    if (!connection)
        return Fail(E_NOINTERFACE, QStringLiteral("the active connection is not a connection object"));
    if (!connection->IsOpen())
        return Fail(kErrorInvalidConnection);
    QSqlQuery query;
    QString translated;
    if (HRESULT hr = connection->Run(statement, true, query, &translated); FAILED(hr))
        return hr;
    if (!query.isSelect())
        return S_OK; // a statement without rows leaves the reading closed
    const bool stream = m_cursorLocation != adUseClient && cursorType == adOpenForwardOnly;
    return Load(*connection, std::move(query), translated, stream);
}

HRESULT Recordset::get_EOF(VARIANT_BOOL* eof) {
    if (!m_open)
        return ProviderError::FailBare(E_POINTER);
    if (!eof)
        return E_POINTER;
    *eof = AtEnd() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT Recordset::MoveNext() {
    if (!m_open)
        return ProviderError::FailBare(E_POINTER);
    if (AtEnd())
        return Fail(kErrorNoCurrentRecord);
    ++m_position;
    if (AtEnd() && m_stream) {
        // A stream keeps only its current row.
        m_rowsBefore += static_cast<qint64>(m_rows.size());
        m_rows.clear();
        m_position = 0;
        FetchStreamRow();
    }
    if (AtEnd() && !m_streamError.isEmpty())
        return Fail(DB_E_ERRORSINCOMMAND, std::exchange(m_streamError, QString()));
    return S_OK;
}

HRESULT Recordset::MoveFirst() {
    if (!m_open)
        return ProviderError::FailBare(E_POINTER);
    if (m_rowsBefore == 0) {
        if (m_rows.empty())
            return Fail(kErrorNoCurrentRecord);
        m_position = 0;
        return S_OK;
    }
    // A stream that let its first rows go starts over: the statement runs again.
    ComPtr<Connection> connection = m_connection;
    if (!connection || !connection->IsOpen())
        return Fail(kErrorInvalidConnection);
    EndStream();
    QSqlQuery query;
    if (HRESULT hr = connection->RunTranslated(m_text, true, query); FAILED(hr))
        return hr;
    m_open = false;
    return Load(*connection.Get(), std::move(query), m_text, true);
}

HRESULT Recordset::get_RecordCount(LONG* count) {
    if (!m_open)
        return ProviderError::FailBare(E_POINTER);
    if (!count)
        return E_POINTER;
    *count = m_recordCount;
    return S_OK;
}

HRESULT Recordset::get_FieldCount(LONG* count) {
    if (!m_open)
        return ProviderError::FailBare(E_POINTER);
    if (!count)
        return E_POINTER;
    *count = static_cast<LONG>(m_fieldNames.size());
    return S_OK;
}

HRESULT Recordset::GetFieldValue(VARIANT index, VARIANT* value) {
    if (!m_open)
        return ProviderError::FailBare(E_POINTER);
    if (!value)
        return E_POINTER;
    VariantInit(value);
    const VARIANT& key = Dereferenced(index);
    qsizetype column = -1;
    if (key.vt == VT_BSTR) {
        const QString name = BstrText::ToQString(key.bstrVal);
        for (qsizetype i = 0; i < m_fieldNames.size() && column < 0; ++i)
            if (m_fieldNames[i].compare(name, Qt::CaseInsensitive) == 0)
                column = i;
    } else {
        VARIANT position;
        VariantInit(&position);
        if (SUCCEEDED(VariantChangeType(&position, &key, 0, VT_I4)))
            column = position.lVal;
    }
    if (column < 0 || column >= m_fieldNames.size())
        return Fail(kErrorItemNotFound);
    if (AtEnd())
        return Fail(kErrorNoCurrentRecord);
    const size_t c = static_cast<size_t>(column);
    return FieldValue::ToVariant(m_rows[m_position][c], m_numericFields[c], m_emptyTextIsNull, value);
}

HRESULT Recordset::get_State(LONG* state) {
    if (!state)
        return E_POINTER;
    *state = m_open ? adStateOpen : adStateClosed;
    return S_OK;
}

HRESULT Recordset::put_Sort(BSTR criteria) {
    if (!m_open)
        return ProviderError::FailBare(E_POINTER);
    if (SysStringLen(criteria) == 0)
        return S_OK; // no order asked for: the rows stay as they are
    return Fail(kErrorFeatureNotAvailable, QStringLiteral("sorting a reading is not supported"));
}

HRESULT Recordset::Close() {
    if (!m_open)
        return ProviderError::FailBare(E_POINTER);
    EndStream();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_position = 0;
    m_rowsBefore = 0;
    m_connection.Reset();
    m_open = false;
    return S_OK;
}

} // namespace dataaccess
