// The forms in which operators write the inner part of an address (the text after a compound's
// name): "3栋2单元501室", "12号楼3单元602", "A座5层503", "3-2-501", full-width digits, Chinese
// numerals, parentheses, typos, and texts that fit no pattern at all. The generator draws on them.
#pragma once

#include <QString>

#include <cstdint>

// A household's place inside a compound; room is the full room number (floor * 100 + n).
struct HouseholdPlace {
    int building = 1;
    int unit = 1;
    int floor = 1;
    int room = 101;
};

enum class InnerForm {
    Dong,            // 3栋2单元501室
    Zhuang,          // 3幢2单元501
    HaoLou,          // 12号楼3单元602
    ZuoCeng,         // A座5层503
    Dash,            // 3-2-501
    Parenthesised,   // 3栋(2单元)501室, （3栋）2单元501室
    FullWidth,       // ３栋２单元５０１室
    ChineseNumerals, // 三栋二单元五零一室
    Typo,            // 3洞2单元501室, 3栋2单无501室, 3栋2单元5011室
    NoPattern,       // 物业管理处, 地下车库
};

class AddressTextForms {
public:
    // The inner part of one household's address in a form; `choice` (any number) picks among the
    // variants of the form, so the caller's random numbers decide and the result is repeatable.
    static QString Inner(InnerForm form, const HouseholdPlace& place, uint64_t choice);
    // The form a standard-address clerk writes: 3栋2单元501室.
    static QString Standard(const HouseholdPlace& place) { return Inner(InnerForm::Dong, place, 0); }

    // ASCII digits and letters as their full-width forms.
    static QString FullWidth(const QString& text);
    // 1..99 as Chinese numerals: 3 -> 三, 12 -> 十二, 20 -> 二十.
    static QString ChineseNumber(int n);
    // A number digit by digit in Chinese: 501 -> 五零一.
    static QString ChineseDigits(int n);
    // A building letter for the 座 form: 1 -> A.
    static QChar BuildingLetter(int building);
    // The compound's name with one character replaced by a homophone (or the last one dropped), as
    // a hurried clerk writes it: 阳光花园 -> 阳光花圆.
    static QString Misspelled(const QString& name, uint64_t choice);
};
