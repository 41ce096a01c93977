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
            if (option.hidden)
                continue;
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
    auto entry = [&](const QString& names, const QString& text) {
        out += QStringLiteral(".TP\n") + names + u'\n' + Escape(text) + u'\n';
    };
    entry(QStringLiteral("\\fBTESSEL_REGISTRY\\fR"),
          QStringLiteral("The registry file of the automation runtime (ProgIDs, classes, type libraries). Default: "
                         "$XDG_CONFIG_HOME/tessel/registry, else ~/.config/tessel/registry."));
    entry(QStringLiteral("\\fBTESSEL_USE_REGISTERED\\fR"),
          QStringLiteral("Set to 1: the wizard runs the component registered in the registry, as --registered "
                         "asks, instead of the one installed beside the program. tessel --version tells which "
                         "one runs."));
    entry(QStringLiteral("\\fBPGHOST\\fR, \\fBPGPORT\\fR, \\fBPGUSER\\fR, \\fBPGPASSWORD\\fR, \\fBPGDATABASE\\fR, "
                         "\\fBPGPASSFILE\\fR, ..."),
          QStringLiteral("libpq's variables fill in what a postgresql:// URL leaves out, as for psql."));
    entry(QStringLiteral("\\fBODBCINI\\fR, \\fBODBCSYSINI\\fR"),
          QStringLiteral("Where unixODBC reads the data sources of an odbc: URL: $ODBCINI (else ~/.odbc.ini), then "
                         "odbc.ini in $ODBCSYSINI (else /etc)."));
    entry(QStringLiteral("\\fBQT_QPA_PLATFORM\\fR, \\fBDISPLAY\\fR, \\fBWAYLAND_DISPLAY\\fR"),
          QStringLiteral("Where the wizard shows. A script run without any of them runs offscreen."));
    entry(QStringLiteral("\\fBXDG_CONFIG_HOME\\fR, \\fBHOME\\fR"),
          QStringLiteral("Where the registry is kept by default; ~ at the start of an sqlite: path is $HOME."));
    out += QStringLiteral(".SH FILES\n");
    entry(QStringLiteral("\\fI~/.config/tessel/registry\\fR"),
          QStringLiteral("The user's registry (see TESSEL_REGISTRY): which module is registered as tessel.dealer."));
    entry(QStringLiteral("\\fI/usr/lib/<multiarch>/tessel/libtessel.so\\fR"),
          QStringLiteral("The component of the package, beside the libraries the program shares with it and the "
                         "type library tessel.tlb; an installation elsewhere keeps them in the same folder under its "
                         "prefix."));
    entry(QStringLiteral("\\fI/usr/share/tessel/schema/\\fR"),
          QStringLiteral("The database schemas, one file a database (SQLite, PostgreSQL, Oracle): what init-db "
                         "creates, for a database administrator to create by hand."));
    entry(QStringLiteral("\\fI/usr/share/tessel/tessel.idl\\fR"),
          QStringLiteral("The component's interface description."));
    entry(QStringLiteral("\\fItessel\\-demo.db\\fR"),
          QStringLiteral("The demo database that tessel wizard without a URL opens in the current folder, generated "
                         "when it is not there or holds no table."));
    entry(QStringLiteral("\\fI~/.odbc.ini\\fR, \\fI/etc/odbc.ini\\fR, \\fI/etc/odbcinst.ini\\fR"),
          QStringLiteral("unixODBC's data sources and drivers."));
    out += QStringLiteral(".SH SEE ALSO\n");
    out += QStringLiteral("\\fBsqlite3\\fR(1), \\fBpsql\\fR(1), \\fBisql\\fR(1), \\fBodbcinst\\fR(1), "
                          "\\fBxvfb\\-run\\fR(1)\n");
    return out;
}
