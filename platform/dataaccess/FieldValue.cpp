#include "platform/dataaccess/FieldValue.h"

#include <QDateTime>

#include <limits>

namespace dataaccess {

namespace {

void SetInteger(qint64 value, VARIANT* out) {
    if (value >= std::numeric_limits<LONG>::min() && value <= std::numeric_limits<LONG>::max()) {
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(value);
    } else {
        out->vt = VT_I8;
        out->llVal = value;
    }
}

HRESULT SetText(const QString& text, VARIANT* out) {
    BSTR s =
        SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()), static_cast<UINT>(text.size()));
    if (!s)
        return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    out->bstrVal = s;
    return S_OK;
}

// The platform's date: days since 30 December 1899, the time of day as the fraction.
double OleDate(const QDate& date, const QTime& time) {
    const double days = static_cast<double>(date.toJulianDay() - QDate(1899, 12, 30).toJulianDay());
    return days + (time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0);
}

// Whether a decimal text has at most 15 significant digits, which a double keeps exactly. A value
// with more (a wide NUMERIC) stays text, so no digit of it is lost.
bool FitsDouble(const QString& text) {
    QStringView digits(text);
    if (const qsizetype e = digits.indexOf(u'e', 0, Qt::CaseInsensitive); e >= 0)
        digits = digits.left(e);
    if (digits.startsWith(u'-') || digits.startsWith(u'+'))
        digits = digits.mid(1);
    if (digits.contains(u'.'))
        while (digits.endsWith(u'0'))
            digits.chop(1);
    int significant = 0;
    bool leading = true;
    for (QChar c : digits) {
        if (!c.isDigit() || (leading && c == u'0'))
            continue;
        leading = false;
        ++significant;
    }
    return significant <= 15;
}

} // namespace

HRESULT FieldValue::ToVariant(const QVariant& value, bool numericColumn, bool emptyTextIsNull, VARIANT* out) {
    if (!out)
        return E_POINTER;
    VariantInit(out);
    if (!value.isValid() || value.isNull()) {
        out->vt = VT_NULL;
        return S_OK;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        out->vt = VT_BOOL;
        out->boolVal = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        SetInteger(value.toLongLong(), out);
        return S_OK;
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong v = value.toULongLong();
        if (v <= static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            SetInteger(static_cast<qint64>(v), out);
        } else {
            out->vt = VT_R8;
            out->dblVal = static_cast<double>(v);
        }
        return S_OK;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        out->vt = VT_R8;
        out->dblVal = value.toDouble();
        return S_OK;
    case QMetaType::QDate:
        out->vt = VT_DATE;
        out->date = OleDate(value.toDate(), QTime());
        return S_OK;
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        out->vt = VT_DATE;
        out->date = OleDate(dt.date(), dt.time());
        return S_OK;
    }
    case QMetaType::QTime:
        out->vt = VT_DATE;
        out->date = OleDate(QDate(1899, 12, 30), value.toTime());
        return S_OK;
    case QMetaType::QByteArray:
        return SetText(QString::fromUtf8(value.toByteArray()), out);
    case QMetaType::QString: {
        const QString text = value.toString();
        if (numericColumn) {
            bool ok = false;
            const qint64 whole = text.toLongLong(&ok);
            if (ok) {
                SetInteger(whole, out);
                return S_OK;
            }
            const double real = text.toDouble(&ok);
            if (ok && FitsDouble(text)) {
                out->vt = VT_R8;
                out->dblVal = real;
                return S_OK;
            }
        }
        if (text.isEmpty() && emptyTextIsNull) {
            out->vt = VT_NULL;
            return S_OK;
        }
        return SetText(text, out);
    }
    default:
        return SetText(value.toString(), out);
    }
}

} // namespace dataaccess
