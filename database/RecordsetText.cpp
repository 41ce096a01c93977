#include "RecordsetText.h"

#include "BstrText.h"
#include "automation/ComError.h"

#include <QLocale>

using namespace Qt::Literals::StringLiterals;

QString RecordsetText::ValueText(const VARIANT& value) {
    switch (value.vt) {
    case VT_NULL:
        return u"NULL"_s;
    case VT_EMPTY:
        return {};
    case VT_I2:
        return QString::number(value.iVal);
    case VT_I4:
        return QString::number(value.lVal);
    case VT_INT:
        return QString::number(value.intVal);
    case VT_I8:
        return QString::number(value.llVal);
    case VT_UI4:
        return QString::number(value.ulVal);
    case VT_UINT:
        return QString::number(value.uintVal);
    case VT_UI8:
        return QString::number(value.ullVal);
    case VT_R4:
        return QString::number(double(value.fltVal), 'f', QLocale::FloatingPointShortest);
    case VT_R8:
        return QString::number(value.dblVal, 'f', QLocale::FloatingPointShortest);
    case VT_BOOL:
        return value.boolVal ? u"1"_s : u"0"_s;
    case VT_BSTR:
        return BstrText::ToQString(value.bstrVal);
    default: {
        VARIANT text;
        VariantInit(&text);
        ThrowIfFailed(VariantChangeType(&text, &value, 0, VT_BSTR));
        QString out = BstrText::ToQString(text.bstrVal);
        VariantClear(&text);
        return out;
    }
    }
}

QList<QStringList> RecordsetText::ReadRows(_Recordset* reading) {
    QList<QStringList> rows;
    LONG state = adStateClosed;
    if (!reading || FAILED(reading->get_State(&state)) || state == adStateClosed)
        return rows; // a statement without rows
    LONG columns = 0;
    ThrowIfFailed(reading->get_FieldCount(&columns));
    for (;;) {
        VARIANT_BOOL eof = VARIANT_FALSE;
        ThrowIfFailed(reading->get_EOF(&eof));
        if (eof != VARIANT_FALSE)
            break;
        QStringList row;
        for (LONG c = 0; c < columns; ++c) {
            VARIANT position;
            VariantInit(&position);
            position.vt = VT_I2;
            position.iVal = SHORT(c);
            VARIANT value;
            VariantInit(&value);
            ThrowIfFailed(reading->GetFieldValue(position, &value));
            try {
                row.append(ValueText(value));
            } catch (...) {
                VariantClear(&value);
                throw;
            }
            VariantClear(&value);
        }
        rows.append(row);
        ThrowIfFailed(reading->MoveNext());
    }
    return rows;
}
