#include "pages/rules/CompoundReference.h"

#include <QStringList>

CompoundReference CompoundReference::Named(QString name) {
    CompoundReference reference;
    reference.m_path[CompoundGrade] = std::move(name);
    return reference;
}

CompoundReference CompoundReference::ById(uint32_t id) {
    CompoundReference reference;
    reference.m_kind = Kind::Id;
    reference.m_id = id;
    return reference;
}

CompoundReference CompoundReference::ByPath(const std::array<QString, 8>& names) {
    CompoundReference reference;
    reference.m_kind = Kind::Path;
    reference.m_path = names;
    reference.m_path[0].clear();
    return reference;
}

bool CompoundReference::HoldsControlCharacter(const QString& text) {
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

std::optional<CompoundReference> CompoundReference::Parse(const QString& line, QString& error) {
    if (HoldsControlCharacter(line)) {
        error = QStringLiteral("name holds a control character");
        return std::nullopt;
    }
    if (line.startsWith(u'#')) {
        // Digits only: no sign, no blank, no base prefix.
        const QStringView digits = QStringView(line).mid(1);
        bool number = !digits.isEmpty() && digits.size() <= 10;
        for (const QChar c : digits)
            number = number && c >= u'0' && c <= u'9';
        const qulonglong id = number ? digits.toULongLong(&number) : 0;
        if (!number || id == 0 || id > 0xFFFFFFFFull) {
            error = QStringLiteral("#ID needs a whole number from 1 to 4294967295");
            return std::nullopt;
        }
        return ById(static_cast<uint32_t>(id));
    }
    if (line.contains(u'/')) {
        const QStringList levels = line.split(u'/');
        if (levels.size() != CompoundGrade || levels.last().isEmpty()) {
            error = QStringLiteral("a path names seven levels, city/district/town/road/street/number/compound, "
                                   "the compound not empty");
            return std::nullopt;
        }
        std::array<QString, 8> names;
        for (int grade = 1; grade <= CompoundGrade; ++grade)
            names[grade] = levels[grade - 1];
        return ByPath(names);
    }
    return Named(line);
}
