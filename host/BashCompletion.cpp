#include "host/BashCompletion.h"

#include "host/Command.h"
#include "host/HelpText.h"

#include <QStringList>

QString BashCompletion::Kind(const QString& valueName) {
    if (valueName.contains(QStringLiteral("FILE")) || valueName.contains(QStringLiteral("MODULE")))
        return QStringLiteral("file");
    if (valueName.contains(QStringLiteral("DIR")))
        return QStringLiteral("dir");
    if (valueName == u"COMMAND")
        return QStringLiteral("command");
    return {};
}

QString BashCompletion::Write() {
    QStringList commandNames;
    for (const Command* command : HelpText::SortedCommands())
        commandNames << command->name;

    QString cases;
    for (const Command* command : HelpText::SortedCommands()) {
        QStringList options, takingValue, files, dirs;
        for (const CommandOption& option : command->options) {
            for (const QString& name : option.names) {
                const QString written = (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
                options << written;
                if (option.valueName.isEmpty())
                    continue;
                takingValue << written;
                const QString kind = Kind(option.valueName);
                if (kind == u"file")
                    files << written;
                else if (kind == u"dir")
                    dirs << written;
            }
        }
        options << QStringLiteral("-h") << QStringLiteral("--help");
        QString arguments;
        for (const CommandArgument& argument : command->arguments)
            if (arguments.isEmpty())
                arguments = Kind(argument.name);
        cases += QStringLiteral("    %1) options='%2' values='%3' files='%4' dirs='%5' arguments=%6 ;;\n")
                     .arg(command->name, options.join(u' '), takingValue.join(u' '), files.join(u' '),
                          dirs.join(u' '), arguments);
    }

    return QStringLiteral(
               "# bash completion for tessel, written by 'tessel help --bash-completion'\n"
               "_tessel() {\n"
               "    local cur=${COMP_WORDS[COMP_CWORD]} prev=\n"
               "    (( COMP_CWORD > 0 )) && prev=${COMP_WORDS[COMP_CWORD-1]}\n"
               "    # --option=VALUE arrives as three words: --option, =, VALUE\n"
               "    if [[ $cur == = ]]; then\n"
               "        cur=\n"
               "    elif [[ $prev == = ]] && (( COMP_CWORD > 1 )); then\n"
               "        prev=${COMP_WORDS[COMP_CWORD-2]}\n"
               "    fi\n"
               "    local commands='%1'\n"
               "    if (( COMP_CWORD == 1 )); then\n"
               "        COMPREPLY=($(compgen -W \"$commands --help --version\" -- \"$cur\"))\n"
               "        return\n"
               "    fi\n"
               "    local options= values= files= dirs= arguments=\n"
               "    case ${COMP_WORDS[1]} in\n"
               "%2"
               "    *) return ;;\n"
               "    esac\n"
               "    if [[ -n $prev && \" $values \" == *\" $prev \"* ]]; then\n"
               "        if [[ \" $files \" == *\" $prev \"* ]]; then\n"
               "            compopt -o filenames 2>/dev/null\n"
               "            COMPREPLY=($(compgen -f -- \"$cur\"))\n"
               "        elif [[ \" $dirs \" == *\" $prev \"* ]]; then\n"
               "            compopt -o filenames 2>/dev/null\n"
               "            COMPREPLY=($(compgen -d -- \"$cur\"))\n"
               "        fi\n"
               "        return\n"
               "    fi\n"
               "    if [[ $cur == -* ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
               "        return\n"
               "    fi\n"
               "    case $arguments in\n"
               "    file) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- \"$cur\")) ;;\n"
               "    dir) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- \"$cur\")) ;;\n"
               "    command) COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\")) ;;\n"
               "    esac\n"
               "}\n"
               "complete -F _tessel tessel\n")
        .arg(commandNames.join(u' '), cases);
}
