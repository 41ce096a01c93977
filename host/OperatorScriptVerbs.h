// The actions of an operator script: the one description of what a script line may say. The parser
// (OperatorScript) takes its verbs from this table, and `tessel help wizard` prints it with an
// example that uses every verb (the manual page is written from that help; the README points to it).
#pragma once

#include <QString>
#include <QStringList>

#include <array>

struct OperatorScriptVerb {
    const char* verb;
    const char* usage; // the line's form
    const char* what;
};

inline constexpr std::array<OperatorScriptVerb, 9> OperatorScriptVerbs{{
    {"type", "type ID TEXT",
     "click into control ID (a line or text edit, or an editable combo box), select all and type TEXT: the "
     "rest of the line as it is, Chinese too, as one commit of the input method; `type ID` alone empties it"},
    {"click", "click ID",
     "click control ID: a button of the page, or of the wizard (2 Cancel, 3 Back, 4 Next/Finish); a disabled "
     "control takes the click and nothing happens (a note says so)"},
    {"key", "key NAME",
     "press a key at the focused control: Enter, Escape, Tab, Backtab, Space, Up, Down, Delete, Alt+N, ... "
     "(any single key by its Qt name)"},
    {"select", "select ID N",
     "choose row N (from 0) of a list or table, item N of a tree (from the top, children after their "
     "parent), or item N of a combo box"},
    {"menu", "menu ID N",
     "click menu button ID and choose item N (from 0; separators are not counted, the items of a submenu "
     "count in its place) of the menu it opens"},
    {"answer", "answer WORD", "the answer for the next message box: yes, no, ok or cancel (in any case)"},
    {"window", "window SIZE",
     "resize the wizard: max (maximised, as large as the screen allows), normal (back to its own size) or "
     "WIDTHxHEIGHT in pixels"},
    {"shot", "shot NAME",
     "save a picture of the wizard as DIR/NAME.png (DIR: --screenshots; without it the shot is skipped "
     "with a note)"},
    {"print", "print ID",
     "print what control ID shows: its text, (disabled) / (hidden); a list, table or tree item by item"},
}};

// The verbs in table order.
QStringList OperatorScriptVerbNames();

// The script's description as `tessel help wizard` prints it: the rules of a line, the table,
// what happens to message boxes and failing actions, and an example.
QString OperatorScriptHelp();
