// The reader of one query.
#pragma once

#include "database/CADODatabase.h"

#include <cstdint>

class CADORecordset : public CADOBase {
public:
    // An unopened reading without a connection; used only as the target of an assignment.
    CADORecordset();
    // Takes over a row source (as RunQuery returns it); holds no connection.
    explicit CADORecordset(const RowSource& rowSource);
    // A new reading on the database's current connection; open options 0, 3, 1.
    explicit CADORecordset(CADODatabase* database);
    CADORecordset(const CADORecordset&) = default;
    CADORecordset& operator=(const CADORecordset&) = default;
    ~CADORecordset();

    LONG m_cursorType = adOpenForwardOnly;
    LONG m_cursorLocation = adUseClient;
    LONG m_lockType = adLockReadOnly;

    // True when the reading was opened; false after a reported failure (class name CADORecordset).
    bool OpenQuery(const QString& statement);
    // These throw ComError on any failure, including a reading that is empty or was never opened.
    bool AtEnd();
    void Next();
    uint32_t CountRows();
    void CloseQuery();

    // Read column `column` (0-based place in the select list) of the current row. A value that
    // cannot be fetched shows the error box and yields 0 or ""; NULL yields the default; a value
    // that cannot be converted throws ComError without a box. Always true.
    bool ReadColumn(int column, int& value, int defaultValue);                 // VT_INT
    bool ReadColumn(int column, long& value, long defaultValue);               // VT_I4 (32-bit range)
    bool ReadColumn(int column, uint32_t& value, uint32_t defaultValue);       // VT_UI4
    bool ReadColumn(int column, QString& value, const char16_t* defaultValue); // VT_BSTR

    const RowSource& Reading() const { return m_reading; }

private:
    // Fields->Item(column)->Value; a failure shows the error box and leaves `value` empty.
    bool FetchColumn(int column, VARIANT& value);
    // VariantChangeType in place; a failure throws ComError without a box.
    static void ConvertColumn(VARIANT& value, VARTYPE type);

    RowSource m_reading;
    ComPtr<_Connection> m_connection;
};
