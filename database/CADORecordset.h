// The reader of one query. It owns its reading: it moves, it is never copied, because a dying
// copy would close the reading the original still reads from.
#pragma once

#include "database/CADODatabase.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <type_traits>

// The types a column is read into: the variant type its value is converted to, and the type of the
// default that stands for NULL.
template <typename T> struct ColumnType;
template <> struct ColumnType<int> {
    static constexpr VARTYPE variantType = VT_INT;
    using Default = int;
};
template <> struct ColumnType<long> { // the 32-bit range
    static constexpr VARTYPE variantType = VT_I4;
    using Default = long;
};
template <> struct ColumnType<uint32_t> {
    static constexpr VARTYPE variantType = VT_UI4;
    using Default = uint32_t;
};
template <> struct ColumnType<QString> {
    static constexpr VARTYPE variantType = VT_BSTR;
    using Default = const char16_t*; // null: an empty text
};

class CADORecordset : public CADOBase {
public:
    // An unopened reading without a connection; used only as the target of an assignment.
    CADORecordset();
    // Takes over a row source (as RunQuery returns it); holds no connection.
    explicit CADORecordset(const RowSource& rowSource);
    // A new reading on the database's current connection; open options 0, 3, 1.
    explicit CADORecordset(CADODatabase* database);
    CADORecordset(const CADORecordset&) = delete;
    CADORecordset& operator=(const CADORecordset&) = delete;
    // The moved-from wrapper holds no reading and closes nothing when it goes.
    CADORecordset(CADORecordset&&) noexcept = default;
    CADORecordset& operator=(CADORecordset&&) noexcept = default;
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
    // Opens `statement`, calls `row` at each row (it reads the columns with ReadColumn) and closes
    // the reading. A statement that fails, or a reading that breaks off, shows the error box once
    // (ReportError mode 0); false then.
    bool ReadEachRow(const QString& statement, const std::function<void()>& row);

    // Read column `column` (0-based place in the select list) of the current row into an int, a
    // long, a uint32_t or a QString (see ColumnType). A value that cannot be fetched shows the error
    // box and yields 0 or ""; NULL yields the default; a value that cannot be converted throws
    // ComError without a box. Always true.
    template <typename T>
    bool ReadColumn(int column, T& value, std::type_identity_t<typename ColumnType<T>::Default> defaultValue);

    const RowSource& Reading() const { return m_reading; }

private:
    // Fields->Item(column)->Value; a failure shows the error box and leaves `value` empty.
    bool FetchColumn(int column, VARIANT& value);
    // VariantChangeType in place; a failure throws ComError without a box.
    static void ConvertColumn(VARIANT& value, VARTYPE type);

    RowSource m_reading;
    ComPtr<_Connection> m_connection;
};

static_assert(!std::is_copy_constructible_v<CADORecordset> && !std::is_copy_assignable_v<CADORecordset>,
              "a copy would close the reading of the original when it goes");
static_assert(std::is_nothrow_move_constructible_v<CADORecordset> && std::is_nothrow_move_assignable_v<CADORecordset>);
