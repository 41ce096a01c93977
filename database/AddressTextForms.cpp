#include "database/AddressTextForms.h"

#include <QList>

using namespace Qt::Literals::StringLiterals;

namespace {
const char16_t* const kDigits[] = {u"零", u"一", u"二", u"三", u"四", u"五", u"六", u"七", u"八", u"九"};

// Places in a compound that no split pattern describes.
const char16_t* const kNoPattern[] = {u"物业管理处",   u"门卫室", u"会所",     u"地下车库",  u"配电房",
                                      u"售楼处",       u"幼儿园", u"东门岗亭", u"北区商铺",  u"居委会",
                                      u"小区中心花园", u"垃圾站", u"临街底商", u"消防控制室"};

// Homophones and near-homophones a clerk types by mistake.
const struct {
    char16_t from;
    char16_t to;
} kHomophones[] = {{u'园', u'圆'}, {u'花', u'华'}, {u'苑', u'院'}, {u'家', u'佳'}, {u'区', u'曲'},
                   {u'城', u'成'}, {u'庭', u'亭'}, {u'居', u'局'}, {u'府', u'付'}, {u'湖', u'胡'},
                   {u'景', u'京'}, {u'新', u'心'}, {u'村', u'材'}, {u'寓', u'遇'}, {u'光', u'广'},
                   {u'金', u'今'}, {u'水', u'氵'}, {u'山', u'三'}};

QString Number(int n) {
    return QString::number(n);
}
} // namespace

QString AddressTextForms::FullWidth(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || u == u'-')
            c = QChar(char16_t(u + 0xFEE0));
    }
    return out;
}

QString AddressTextForms::ChineseNumber(int n) {
    if (n <= 0 || n >= 100)
        return ChineseDigits(n);
    const int tens = n / 10, ones = n % 10;
    QString out;
    if (tens > 1)
        out += QString::fromUtf16(kDigits[tens]);
    if (tens > 0)
        out += u'十';
    if (ones > 0)
        out += QString::fromUtf16(kDigits[ones]);
    return out;
}

QString AddressTextForms::ChineseDigits(int n) {
    QString out;
    for (QChar c : QString::number(n))
        out += c.isDigit() ? QString::fromUtf16(kDigits[c.digitValue()]) : QString(c);
    return out;
}

QChar AddressTextForms::BuildingLetter(int building) {
    return QChar(char16_t(u'A' + (building - 1) % 26));
}

QString AddressTextForms::Misspelled(const QString& name, uint64_t choice) {
    QList<qsizetype> places;
    for (qsizetype i = 0; i < name.size(); ++i)
        for (const auto& h : kHomophones)
            if (name[i] == QChar(h.from))
                places.append(i);
    if (places.isEmpty())
        return name.left(name.size() - 1);
    QString out = name;
    const qsizetype at = places[qsizetype(choice % uint64_t(places.size()))];
    for (const auto& h : kHomophones)
        if (out[at] == QChar(h.from)) {
            out[at] = QChar(h.to);
            break;
        }
    return out;
}

QString AddressTextForms::Inner(InnerForm form, const HouseholdPlace& p, uint64_t choice) {
    const QString bld = Number(p.building), unit = Number(p.unit), room = Number(p.room),
                  floor = Number(p.floor);
    switch (form) {
    case InnerForm::Dong:
        return bld + u"栋"_s + unit + u"单元"_s + room + u"室"_s;
    case InnerForm::Zhuang:
        return bld + u"幢"_s + unit + u"单元"_s + room;
    case InnerForm::HaoLou:
        // Some DPs serve a whole unit and carry no room.
        return choice % 4 == 0 ? bld + u"号楼"_s + unit + u"单元"_s
                               : bld + u"号楼"_s + unit + u"单元"_s + room;
    case InnerForm::ZuoCeng: {
        const QString letter(BuildingLetter(p.building));
        return choice % 4 == 0 ? letter + u"座"_s + floor + u"层"_s
                               : letter + u"座"_s + floor + u"层"_s + room;
    }
    case InnerForm::Dash:
        return bld + u'-' + unit + u'-' + room;
    case InnerForm::Parenthesised:
        switch (choice % 3) {
        case 0:
            return bld + u"栋("_s + unit + u"单元)"_s + room + u"室"_s;
        case 1:
            return u"（"_s + bld + u"栋）"_s + unit + u"单元"_s + room + u"室"_s;
        default:
            return bld + u"栋"_s + unit + u"单元"_s + room + u"室("_s + (choice % 2 ? u"东"_s : u"西"_s) +
                   u"户)"_s;
        }
    case InnerForm::FullWidth:
        return FullWidth(choice % 2 ? bld + u"栋"_s + unit + u"单元"_s + room + u"室"_s
                                    : bld + u'-' + unit + u'-' + room);
    case InnerForm::ChineseNumerals:
        return choice % 2 ? ChineseNumber(p.building) + u"栋"_s + ChineseNumber(p.unit) + u"单元"_s +
                                ChineseDigits(p.room) + u"室"_s
                          : ChineseNumber(p.building) + u"号楼"_s + ChineseNumber(p.unit) + u"单元"_s + room;
    case InnerForm::Typo:
        switch (choice % 6) {
        case 0:
            return bld + u"洞"_s + unit + u"单元"_s + room + u"室"_s;
        case 1:
            return bld + u"栋"_s + unit + u"单无"_s + room + u"室"_s;
        case 2:
            return bld + u"栋"_s + unit + u"单元"_s + room + room.right(1) + u"室"_s; // a key pressed twice
        case 3:
            return bld + u"栋"_s + unit + room + u"室"_s; // the unit's word left out
        case 4:
            return bld + u"栋栋"_s + unit + u"单元"_s + room + u"室"_s;
        default:
            return bld + u"栋"_s + unit + u"单元"_s + room + u"是"_s;
        }
    case InnerForm::NoPattern:
        return QString::fromUtf16(kNoPattern[choice % (sizeof kNoPattern / sizeof *kNoPattern)]);
    }
    return {};
}
