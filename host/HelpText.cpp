#include "host/HelpText.h"

#include <QStringList>

#include <algorithm>

namespace {

constexpr int Width = 100;
constexpr int NameColumn = 22; // names longer than this put their description on the next line

} // namespace

std::vector<const Command*> HelpText::SortedCommands() {
    std::vector<const Command*> sorted;
    for (const Command& command : Commands())
        sorted.push_back(&command);
    std::sort(sorted.begin(), sorted.end(), [](const Command* a, const Command* b) { return a->name < b->name; });
    return sorted;
}

QString HelpText::OptionNames(const CommandOption& option) {
    QStringList names;
    for (const QString& name : option.names)
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    return names.join(QStringLiteral(", "));
}

QString HelpText::Synopsis(const Command& command) {
    QStringList parts{command.name};
    for (const CommandOption& option : command.options) {
        if (option.hidden)
            continue;
        const QString& name = option.names.constLast();
        QString part = (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        if (!option.valueName.isEmpty())
            part += u' ' + option.valueName;
        parts << u'[' + part + u']' + (option.repeatable ? QStringLiteral("...") : QString());
    }
    for (const CommandArgument& argument : command.arguments) {
        switch (argument.count) {
        case ArgumentCount::One:
            parts << argument.name;
            break;
        case ArgumentCount::Optional:
            parts << u'[' + argument.name + u']';
            break;
        case ArgumentCount::Any:
            parts << u'[' + argument.name + QStringLiteral("]...");
            break;
        }
    }
    return parts.join(u' ');
}

QString HelpText::UsageLine(const Command& command) {
    // Long synopses go on over lines that start under the first part after the command's name.
    const QString start = QStringLiteral("usage: tessel ") + command.name;
    const QString margin(start.size() + 1, u' ');
    QString out = start;
    qsizetype lineLength = out.size();
    const QStringList parts = Synopsis(command).split(u' ').mid(1);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString part = parts[i];
        // "[--pattern P]" is one part though it holds a space.
        while (part.count(u'[') > part.count(u']') && i + 1 < parts.size())
            part += u' ' + parts[++i];
        if (lineLength + 1 + part.size() > Width) {
            out += u'\n' + margin + part;
            lineLength = margin.size() + part.size();
        } else {
            out += u' ' + part;
            lineLength += 1 + part.size();
        }
    }
    return out;
}

QString HelpText::Wrap(const QString& text, int indent, int width) {
    const QString margin(indent, u' ');
    QStringList out;
    const QStringList paragraphs = text.trimmed().split(QStringLiteral("\n\n"));
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        if (p > 0)
            out << QString();
        QString line;
        for (const QString& word : paragraphs[p].simplified().split(u' ', Qt::SkipEmptyParts)) {
            if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
                out << margin + line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        if (!line.isEmpty())
            out << margin + line;
    }
    return out.join(u'\n') + u'\n';
}

QString HelpText::Table(const std::vector<std::pair<QString, QString>>& rows) {
    qsizetype column = 0;
    for (const auto& [name, description] : rows)
        if (name.size() <= NameColumn)
            column = std::max(column, name.size());
    const int descriptionIndent = int(2 + column + 2);
    QString out;
    for (const auto& [name, description] : rows) {
        const QString wrapped = Wrap(description, descriptionIndent, Width);
        if (name.size() <= column)
            out += QStringLiteral("  ") + name.leftJustified(column + 2) + wrapped.mid(descriptionIndent);
        else
            out += QStringLiteral("  ") + name + u'\n' + wrapped;
    }
    return out;
}

QString HelpText::ForCommand(const Command& command) {
    QString out = UsageLine(command) + QStringLiteral("\n\n") + Wrap(command.description, 0, Width);
    std::vector<std::pair<QString, QString>> rows;
    for (const CommandArgument& argument : command.arguments)
        rows.emplace_back(argument.name, argument.description);
    for (const CommandOption& option : command.options)
        if (!option.hidden)
            rows.emplace_back(OptionNames(option) + (option.valueName.isEmpty() ? QString() : u' ' + option.valueName),
                              option.description);
    rows.emplace_back(QStringLiteral("-h, --help"), QStringLiteral("show this help"));
    out += u'\n' + Table(rows);
    if (!command.notes.isEmpty())
        out += u'\n' + command.notes.trimmed() + u'\n';
    out += u'\n' + Wrap(QStringLiteral("Exit status: ") + command.exitStatus, 0, Width);
    return out;
}

QString HelpText::Overview() {
    QString out = QStringLiteral(
        "usage: tessel COMMAND [ARGUMENTS...]\n"
        "       tessel help COMMAND\n"
        "       tessel --version\n"
        "\n"
        "tessel breaks the free-text addresses of one residential compound into an inner address tree\n"
        "with split patterns, and writes that tree into a standard-address database.\n"
        "\n"
        "commands:\n");
    std::vector<std::pair<QString, QString>> rows;
    for (const Command* command : SortedCommands())
        rows.emplace_back(command->name, command->summary);
    out += Table(rows);
    out += QStringLiteral("\n'tessel help COMMAND' or 'tessel COMMAND --help' tells more about a command.\n"
                          "Options take their value as --option=VALUE or --option VALUE.\n");
    return out;
}
