#include "database/CADORecordset.h"

#include "platform/dataaccess/BstrText.h"
#include "platform/automation/ComError.h"

using namespace Qt::Literals::StringLiterals;

namespace {
ComPtr<_Recordset> NewReading() {
    _Recordset* reading = nullptr;
    if (FAILED(CreateRecordset(&reading)))
        return {};
    return ComPtr<_Recordset>::Attach(reading);
}

// A variant that clears itself.
struct ScopedVariant {
    VARIANT v;
    ScopedVariant() { VariantInit(&v); }
    ~ScopedVariant() { VariantClear(&v); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
};

// A converted column's value (the variant holds ColumnType<T>::variantType).
void Take(const VARIANT& v, int& value) {
    value = v.intVal;
}
void Take(const VARIANT& v, long& value) {
    value = v.lVal;
}
void Take(const VARIANT& v, uint32_t& value) {
    value = v.ulVal;
}
void Take(const VARIANT& v, QString& value) {
    value = BstrText::ToQString(v.bstrVal);
}

// What NULL yields.
template <typename T> void TakeDefault(T& value, T defaultValue) {
    value = defaultValue;
}
void TakeDefault(QString& value, const char16_t* defaultValue) {
    value = defaultValue ? QString::fromUtf16(defaultValue) : QString();
}
} // namespace

CADORecordset::CADORecordset() : CADOBase(u"CADORecordset"_s), m_reading(NewReading()) {}

CADORecordset::CADORecordset(const RowSource& rowSource)
    : CADOBase(u"CADORecordset"_s), m_reading(rowSource) {}

CADORecordset::CADORecordset(CADODatabase* database)
    : CADOBase(u"CADORecordset"_s), m_cursorType(adOpenForwardOnly), m_cursorLocation(adUseClient),
      m_lockType(adLockReadOnly), m_reading(NewReading()) {
    if (database)
        m_connection = database->CurrentConnection();
}

CADORecordset::~CADORecordset() {
    try {
        CloseQuery();
    } catch (const ComError&) {
        // The reading goes with its last holder anyway.
    }
}

bool CADORecordset::OpenQuery(const QString& statement) {
    CloseQuery();
    try {
        if (!m_reading)
            throw ComError(E_POINTER);
        ThrowIfFailed(m_reading->put_CursorLocation(m_cursorLocation));
        const BstrText text(statement);
        VARIANT source;
        VariantInit(&source);
        source.vt = VT_BSTR;
        source.bstrVal = text.Get(); // owned by `text`
        VARIANT activeConnection;
        VariantInit(&activeConnection);
        activeConnection.vt = VT_DISPATCH;
        activeConnection.pdispVal = m_connection.Get(); // held by m_connection
        ThrowIfFailed(m_reading->Open(source, activeConnection, m_cursorType, m_lockType, adCmdText));
    } catch (const ComError& error) {
        ReportError(error, 0);
        return false;
    }
    return bool(m_reading);
}

bool CADORecordset::AtEnd() {
    if (!m_reading)
        throw ComError(E_POINTER);
    VARIANT_BOOL eof = VARIANT_FALSE;
    ThrowIfFailed(m_reading->get_EOF(&eof));
    return eof != VARIANT_FALSE;
}

void CADORecordset::Next() {
    if (!m_reading)
        throw ComError(E_POINTER);
    ThrowIfFailed(m_reading->MoveNext());
}

uint32_t CADORecordset::CountRows() {
    if (!m_reading)
        throw ComError(E_POINTER);
    LONG count = -1;
    ThrowIfFailed(m_reading->get_RecordCount(&count));
    if (count != -1)
        return uint32_t(count);
    // The provider cannot tell without reading: walk the rows and come back to the first.
    uint32_t rows = 0;
    if (!AtEnd())
        ThrowIfFailed(m_reading->MoveFirst());
    while (!AtEnd()) {
        ++rows;
        Next();
    }
    if (rows > 0)
        ThrowIfFailed(m_reading->MoveFirst());
    return rows;
}

void CADORecordset::CloseQuery() {
    if (!m_reading || !m_connection)
        return;
    LONG state = adStateClosed;
    ThrowIfFailed(m_connection->get_State(&state));
    if (state == adStateClosed)
        return;
    ThrowIfFailed(m_reading->get_State(&state));
    if (state == adStateClosed)
        return;
    const BstrText noSort(QString{});
    ThrowIfFailed(m_reading->put_Sort(noSort.Get()));
    ThrowIfFailed(m_reading->Close());
}

bool CADORecordset::ReadEachRow(const QString& statement, const std::function<void()>& row) {
    if (!OpenQuery(statement))
        return false; // reported by OpenQuery
    try {
        while (!AtEnd()) {
            row();
            Next();
        }
        CloseQuery();
    } catch (const ComError& error) {
        ReportError(error, 0);
        return false;
    }
    return true;
}

bool CADORecordset::FetchColumn(int column, VARIANT& value) {
    try {
        if (!m_reading)
            throw ComError(E_POINTER);
        VARIANT position;
        VariantInit(&position);
        position.vt = VT_I2;
        position.iVal = SHORT(column);
        ThrowIfFailed(m_reading->GetFieldValue(position, &value));
        return true;
    } catch (const ComError& error) {
        ReportError(error, 0);
        VariantClear(&value);
        return false;
    }
}

void CADORecordset::ConvertColumn(VARIANT& value, VARTYPE type) {
    const HRESULT hr = VariantChangeType(&value, &value, 0, type);
    if (FAILED(hr))
        throw ComError(hr); // no box: the caller learns of it by the exception
}

template <typename T>
bool CADORecordset::ReadColumn(int column, T& value, std::type_identity_t<typename ColumnType<T>::Default> defaultValue) {
    ScopedVariant v;
    FetchColumn(column, v.v);
    if (v.v.vt == VT_NULL) {
        TakeDefault(value, defaultValue);
        return true;
    }
    ConvertColumn(v.v, ColumnType<T>::variantType);
    Take(v.v, value);
    return true;
}

template bool CADORecordset::ReadColumn<int>(int, int&, int);
template bool CADORecordset::ReadColumn<long>(int, long&, long);
template bool CADORecordset::ReadColumn<uint32_t>(int, uint32_t&, uint32_t);
template bool CADORecordset::ReadColumn<QString>(int, QString&, const char16_t*);
