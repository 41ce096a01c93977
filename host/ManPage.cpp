#include "host/ManPage.h"

#include "host/Command.h"
#include "host/HelpText.h"

#include <QStringList>

QString ManPage::Escape(const QString& text) {
    QString out;
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\\')
            out += QStringLiteral("\\e");
        else if (c == U'-')
            out += QStringLiteral("\\-");
        else if (c > 0x7F) // the page stays ASCII: groff reads it without a guess at its encoding
            out += QStringLiteral("\\[u") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0') + u']';
        else
            out += QChar(char16_t(c));
    }
    QStringList lines = out.split(u'\n');
    for (QString& line : lines)
        if (line.startsWith(u'.') || line.startsWith(u'\''))
            line.prepend(QStringLiteral("\\&"));
    return lines.join(u'\n');
}

QString ManPage::Paragraphs(const QString& text) {
    QStringList out;
    for (const QString& paragraph : text.trimmed().split(QStringLiteral("\n\n")))
        out << QStringLiteral(".PP\n") + Escape(paragraph.simplified());
    return out.join(u'\n') + u'\n';
}

QString ManPage::Preformatted(const QString& text) {
    return QStringLiteral(".PP\n.nf\n") + Escape(text.trimmed()) + QStringLiteral("\n.fi\n");
}

QString ManPage::Write(const QString& version) {
    QString out = QStringLiteral(".TH TESSEL 1 \"\" \"tessel %1\" \"User Commands\"\n").arg(Escape(version));
    out += QStringLiteral(".SH NAME\ntessel \\- break the addresses of a residential compound into an inner "
                          "address tree\n");
    // One synopsis a line, each wrapped where it is long, left-aligned.
    out += QStringLiteral(".SH SYNOPSIS\n.ad l\n");
    for (const Command* command : HelpText::SortedCommands())
        out += QStringLiteral("\\fBtessel\\fR ") + Escape(HelpText::Synopsis(*command)) + QStringLiteral("\n.br\n");
    out += QStringLiteral("\\fBtessel\\fR \\-\\-version\n.ad b\n");
    out += QStringLiteral(".SH DESCRIPTION\n");
    out += Paragraphs(QStringLiteral(
        "tessel breaks the free-text addresses of one residential compound (a cell) into an inner "
        "address tree (building, unit, floor, room) with split patterns an operator defines, and writes "
        "that tree into a standard-address database in one transaction. The wizard is an in-process "
        "automation component, libtessel.so, with the ProgID tessel.dealer; the tessel program is its "
        "host and carries the tools around it.\n\n"
        "Every command takes its options as --option=VALUE or --option VALUE, anywhere among its "
        "arguments; -- ends the options. 'tessel help COMMAND' and 'tessel COMMAND --help' show a "
        "command's help."));
    out += QStringLiteral(".SH COMMANDS\n");
    for (const Command* command : HelpText::SortedCommands()) {
        out += QStringLiteral(".SS \"") + Escape(command->name) + QStringLiteral("\"\n.ad l\n\\fBtessel\\fR ") +
               Escape(HelpText::Synopsis(*command)) + QStringLiteral("\n.ad b\n");
        out += Paragraphs(command->description);
        for (const CommandArgument& argument : command->arguments)
            out += QStringLiteral(".TP\n\\fI") + Escape(argument.name) + QStringLiteral("\\fR\n") +
                   Escape(argument.description.simplified()) + u'\n';
        for (const CommandOption& option : command->options) {
            out += QStringLiteral(".TP\n\\fB") + Escape(HelpText::OptionNames(option)) + QStringLiteral("\\fR");
            if (!option.valueName.isEmpty())
                out += QStringLiteral(" \\fI") + Escape(option.valueName) + QStringLiteral("\\fR");
            out += u'\n' + Escape(option.description.simplified()) + u'\n';
        }
        if (!command->notes.isEmpty())
            out += Preformatted(command->notes);
        out += QStringLiteral(".PP\nExit status: ") + Escape(command->exitStatus) + u'\n';
    }
    out += QStringLiteral(".SH EXIT STATUS\n");
    out += Paragraphs(QStringLiteral("0 when the command did its work, 1 when it failed (the reason is on "
                                     "standard error as 'tessel COMMAND: reason'), 2 for a command line it "
                                     "cannot take."));
    out += QStringLiteral(".SH ENVIRONMENT\n");
    out += QStringLiteral(".TP\n\\fBTESSEL_REGISTRY\\fR\n") +
           Escape(QStringLiteral("The registry file of the automation runtime (ProgIDs, classes, type "
                                 "libraries). Default: $XDG_CONFIG_HOME/tessel/registry, else "
                                 "~/.config/tessel/registry.")) +
           u'\n';
    out += QStringLiteral(".TP\n\\fBQT_QPA_PLATFORM\\fR, \\fBDISPLAY\\fR, \\fBWAYLAND_DISPLAY\\fR\n") +
           Escape(QStringLiteral("Where the wizard shows. A script run without any of them runs offscreen.")) +
           u'\n';
    return out;
}
