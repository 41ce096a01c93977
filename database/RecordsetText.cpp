#include "database/RecordsetText.h"

#include "platform/dataaccess/BstrText.h"
#include "platform/automation/ComError.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// The platform's date: days since 30 December 1899, the time of day as the fraction.
QString DateText(double date) {
    double whole = std::floor(date);
    qint64 milliseconds = std::llround((date - whole) * 86400000.0);
    if (milliseconds >= 86400000) {
        whole += 1;
        milliseconds = 0;
    }
    const QString day = QDate(1899, 12, 30).addDays(qint64(whole)).toString(Qt::ISODate);
    if (milliseconds == 0)
        return day;
    const QString time = QTime::fromMSecsSinceStartOfDay(int(milliseconds))
                             .toString(milliseconds % 1000 ? u"HH:mm:ss.zzz"_s : u"HH:mm:ss"_s);
    return whole == 0 ? time : day + u' ' + time;
}

} // namespace

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
    case VT_DATE:
        return DateText(value.date);
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
    ForEachRow(reading, [&](const QStringList& row) {
        rows.append(row);
        return true;
    });
    return rows;
}

void RecordsetText::ForEachRow(_Recordset* reading, const std::function<bool(const QStringList& row)>& take) {
    ForEachRow(reading, [&](const QStringList& row, const std::vector<bool>&) { return take(row); });
}

void RecordsetText::ForEachRow(_Recordset* reading,
                               const std::function<bool(const QStringList& row, const std::vector<bool>& nulls)>& take) {
    LONG state = adStateClosed;
    if (!reading || FAILED(reading->get_State(&state)) || state == adStateClosed)
        return; // a statement without rows
    LONG columns = 0;
    ThrowIfFailed(reading->get_FieldCount(&columns));
    QStringList row;
    std::vector<bool> nulls;
    for (;;) {
        VARIANT_BOOL eof = VARIANT_FALSE;
        ThrowIfFailed(reading->get_EOF(&eof));
        if (eof != VARIANT_FALSE)
            break;
        row.clear();
        nulls.clear();
        for (LONG c = 0; c < columns; ++c) {
            VARIANT position;
            VariantInit(&position);
            position.vt = VT_I2;
            position.iVal = SHORT(c);
            VARIANT value;
            VariantInit(&value);
            ThrowIfFailed(reading->GetFieldValue(position, &value));
            nulls.push_back(value.vt == VT_NULL);
            try {
                row.append(ValueText(value));
            } catch (...) {
                VariantClear(&value);
                throw;
            }
            VariantClear(&value);
        }
        if (!take(row, nulls))
            return;
        ThrowIfFailed(reading->MoveNext());
    }
}

QString RecordsetText::Line(const QStringList& row) {
    QString line;
    for (qsizetype c = 0; c < row.size(); ++c) {
        if (c > 0)
            line += u'\t';
        for (const QChar ch : row[c]) {
            switch (ch.unicode()) {
            case u'\t':
                line += u"\\t"_s;
                break;
            case u'\n':
                line += u"\\n"_s;
                break;
            case u'\r':
                line += u"\\r"_s;
                break;
            case u'\\':
                line += u"\\\\"_s;
                break;
            default:
                line += ch;
            }
        }
    }
    return line;
}
