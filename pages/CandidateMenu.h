// The popup menu of a level's menu button: "阿拉伯数字" and "英文字母", then one item per candidate
// character that inserts that character. The first 51 characters carry the commands 30000 to
// 30050; any further ones sit in a "更多" submenu with commands from 30053 on, so that every
// character inserts itself and the two token items keep 30051 and 30052.
#pragma once

#include <QString>
#include <QStringList>

#include <string_view>

class QMenu;

class CandidateMenu {
public:
    static constexpr int FirstCharCommand = 30000;
    static constexpr int NumeralCommand = 30051;
    static constexpr int LetterCommand = 30052;
    static constexpr int MainMenuChars = 51;
    static constexpr int FurtherCharCommand = 30053;

    explicit CandidateMenu(std::u16string_view candidateChars);

    // The candidate characters, one each: a surrogate pair is one character, never two halves.
    const QStringList& Characters() const { return m_chars; }
    // The command of character i.
    static int CommandOfCharacter(int i);
    // The text a command inserts: the character (codes 1 and 2 as themselves), "[n]" or "[c]";
    // empty for a command that is not in this menu.
    QString InsertText(int command) const;
    // The label of an item: the character itself; codes 1 and 2 read as their tokens "[n]" and
    // "[c]"; an ampersand is doubled so it shows.
    static QString ItemLabel(const QString& character);

    // Fills `menu` with the items; each action's data is its command.
    void Populate(QMenu& menu) const;

private:
    QStringList m_chars;
};
