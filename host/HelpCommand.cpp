// tessel help [COMMAND]: the list of commands or one command's help; the manual page and the bash
// completion, which the build writes from the same declarations.
#include "host/BashCompletion.h"
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/HelpText.h"
#include "host/ManPage.h"
#include "host/UsageError.h"

#include <cstdio>

namespace {

int RunHelp(const CommandLine& line) {
    QString text;
    if (line.IsSet(QStringLiteral("man"))) {
        text = ManPage::Write(QStringLiteral(TESSEL_VERSION));
    } else if (line.IsSet(QStringLiteral("bash-completion"))) {
        text = BashCompletion::Write();
    } else if (line.Arguments().isEmpty()) {
        text = HelpText::Overview();
    } else {
        const Command* command = FindCommand(line.Argument(0));
        if (!command)
            throw UsageError(QStringLiteral("unknown command '%1'; 'tessel --help' lists them").arg(line.Argument(0)));
        text = HelpText::ForCommand(*command);
    }
    std::fputs(text.toUtf8().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

const CommandRegistration registration{{
    .name = "help",
    .summary = "the list of commands, or what one command does and takes",
    .arguments = {{"COMMAND", "the command to tell about; none: list the commands", ArgumentCount::Optional}},
    .options = {{{"man"}, "", "print the manual page tessel(1) in roff instead"},
                {{"bash-completion"}, "", "print the bash completion script instead"}},
    .description = "Shows what a command does and takes, as 'tessel COMMAND --help' does; without a "
                   "command, the list of commands.",
    .run = RunHelp}};

} // namespace
