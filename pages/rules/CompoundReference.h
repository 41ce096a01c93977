// How a compound is named where no operator picks its path (the decompose command): by its name, by
// its node id ("#12345"), or by its path from the city down ("南京市/鼓楼区//北京西路//10号/锦绣华庭":
// city, district, town, road, street, number and the compound, an empty level for a grade without
// a name). See CompoundLocator for where each form leads.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class CompoundReference {
public:
    enum class Kind { Name, Id, Path };

    static CompoundReference Named(QString name);
    static CompoundReference ById(uint32_t id);
    // Names by grade, index g for grade g (1 city to 7 the compound; index 0 is not used).
    static CompoundReference ByPath(const std::array<QString, 8>& names);

    // Reads one line. A line that begins with '#' is an id, a line that holds a '/' a path of seven
    // levels whose last is not empty; any other line is a name, taken as it is. Nothing when the
    // line cannot name a compound, with why in `error`: a control character anywhere (a name is
    // data, never layout), an id that is no whole number from 1 to 4294967295, a path of another
    // length or without the compound's name.
    static std::optional<CompoundReference> Parse(const QString& line, QString& error);

    // True when the text holds a control character (Unicode category Cc: C0, DEL, C1).
    static bool HoldsControlCharacter(const QString& text);

    Kind GetKind() const { return m_kind; }
    // Name: the name; Path: the compound's name (grade 7); Id: empty.
    const QString& Name() const { return m_path[CompoundGrade]; }
    uint32_t Id() const { return m_id; }
    // Path: the names of grades 1 to 7 (index g for grade g).
    const std::array<QString, 8>& PathNames() const { return m_path; }

    static constexpr int CompoundGrade = 7;

private:
    CompoundReference() = default;

    Kind m_kind = Kind::Name;
    uint32_t m_id = 0;
    std::array<QString, 8> m_path;
};
