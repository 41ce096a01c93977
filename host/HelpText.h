// The program's help, written from the commands' declarations: the list of commands
// (`tessel --help`) and one command's help (`tessel help CMD`, `tessel CMD --help`).
#pragma once

#include "host/Command.h"

#include <QString>

class HelpText {
public:
    // "usage: tessel split [-p P]... [--candidates] [FILE]"
    static QString UsageLine(const Command& command);
    // The synopsis after "tessel ": "split [-p P]... [--candidates] [FILE]".
    static QString Synopsis(const Command& command);
    static QString ForCommand(const Command& command);
    static QString Overview();
    // The commands sorted by name.
    static std::vector<const Command*> SortedCommands();
    // The option's names as written: "-p, --pattern".
    static QString OptionNames(const CommandOption& option);

    // `text` as lines of at most `width` characters, each after `indent` spaces; paragraphs
    // (separated by blank lines) stay apart.
    static QString Wrap(const QString& text, int indent, int width);

private:
    static QString Table(const std::vector<std::pair<QString, QString>>& rows);
};
