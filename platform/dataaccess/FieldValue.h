// A column value read by Qt SQL as the variant a reader receives: VT_NULL for NULL, VT_I4 for an
// integer (VT_I8 when it does not fit), VT_R8, VT_BOOL, VT_DATE, and VT_BSTR for text (UTF-16).
#pragma once

#include "platform/automation/Automation.h"

#include <QMetaType>
#include <QVariant>

namespace dataaccess {

class FieldValue {
public:
    // numericColumn: the column is a NUMERIC/DECIMAL one whose values the driver gives as text
    // (read with high precision), so a whole number reads as an integer. emptyTextIsNull: the
    // database stores '' apart from NULL, which Oracle does not; it reads as NULL here.
    static HRESULT ToVariant(const QVariant& value, bool numericColumn, bool emptyTextIsNull, VARIANT* out);
};

} // namespace dataaccess
