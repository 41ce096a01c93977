// tessel: the host application of the address decomposition component, and its command line.
// Every command's arguments are read by one parser from the command's declaration (Command.h);
// usage mistakes exit with 2, failures with 1.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/ComponentChoice.h"
#include "host/HelpText.h"
#include "host/PrintableText.h"
#include "host/UsageError.h"

#include <QStringList>

#include <cstdio>
#include <exception>

#ifndef TESSEL_VERSION
#error "the build gives the project's version as TESSEL_VERSION"
#endif

std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

const Command* FindCommand(const QString& name) {
    for (const Command& command : Commands())
        if (command.name == name)
            return &command;
    return nullptr;
}

namespace {

void Print(std::FILE* to, const QString& text) {
    std::fputs(text.toUtf8().constData(), to);
}

int UsageFailure(const QString& who, const QString& message) {
    std::fflush(stdout);
    Print(stderr, QStringLiteral("%1: %2\n").arg(who, PrintableText(message)));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromUtf8(argv[i]);
    if (arguments.isEmpty()) {
        Print(stderr, HelpText::Overview());
        return 2;
    }
    const QString first = arguments.takeFirst();
    if (first == u"--help" || first == u"-h") {
        Print(stdout, HelpText::Overview());
        return 0;
    }
    if (first == u"--version" || first == u"-V") {
        Print(stdout, QStringLiteral("tessel " TESSEL_VERSION "\n") +
                          ComponentChoice::Description(ComponentChoice::EnvironmentAsksRegistered()) +
                          u'\n');
        return 0;
    }
    if (first.startsWith(u'-'))
        return UsageFailure(QStringLiteral("tessel"), QStringLiteral("unknown option '%1'").arg(first));
    const Command* command = FindCommand(first);
    if (!command)
        return UsageFailure(QStringLiteral("tessel"),
                            QStringLiteral("unknown command '%1'; 'tessel --help' lists them").arg(first));
    try {
        const CommandLine line(*command, arguments);
        if (line.HelpAsked()) {
            Print(stdout, HelpText::ForCommand(*command));
            return 0;
        }
        return command->run(line);
    } catch (const UsageError& error) {
        return UsageFailure(QStringLiteral("tessel ") + command->name, error.Message());
    }
}
