#include "host/BashCompletion.h"

#include "host/Command.h"
#include "host/HelpText.h"

#include <QRegularExpression>
#include <QStringList>

QString BashCompletion::Kind(const QString& valueName) {
    if (valueName == u"URL")
        return QStringLiteral("url");
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
        QStringList options, takingValue, files, dirs, choices;
        for (const CommandOption& option : command->options) {
            if (option.hidden)
                continue;
            for (const QString& name : option.names) {
                const QString written = (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
                options << written;
                if (option.valueName.isEmpty())
                    continue;
                takingValue << written;
                const QString kind = Kind(option.valueName);
                // A value from a fixed set, written a|b|c.
                static const QRegularExpression choiceList(QStringLiteral("^[a-z-]+(\\|[a-z-]+)+$"));
                if (choiceList.match(option.valueName).hasMatch())
                    choices << written + u':' + QString(option.valueName).replace(u'|', u',');
                else if (kind == u"file")
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
        cases += QStringLiteral("    %1) options='%2' values='%3' files='%4' dirs='%5' choices='%6' arguments=%7 ;;\n")
                     .arg(command->name, options.join(u' '), takingValue.join(u' '), files.join(u' '),
                          dirs.join(u' '), choices.join(u' '), arguments);
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
               "    local options= values= files= dirs= choices= arguments=\n"
               "    case ${COMP_WORDS[1]} in\n"
               "%2"
               "    *) return ;;\n"
               "    esac\n"
               "    if [[ -n $prev && \" $values \" == *\" $prev \"* ]]; then\n"
               "        local choice\n"
               "        for choice in $choices; do\n"
               "            if [[ ${choice%%:*} == \"$prev\" ]]; then\n"
               "                local words=${choice#*:}\n"
               "                COMPREPLY=($(compgen -W \"${words//,/ }\" -- \"$cur\"))\n"
               "                return\n"
               "            fi\n"
               "        done\n"
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
               "    url)\n"
               "        # bash splits words at ':': the whole word, and replies cut after its last ':'\n"
               "        local word=${COMP_LINE:0:COMP_POINT}\n"
               "        word=${word##*[[:space:]]}\n"
               "        if [[ $word == odbc:* ]]; then\n"
               "            # the data sources of the files unixODBC reads\n"
               "            local ini names=\n"
               "            for ini in \"${ODBCINI:-$HOME/.odbc.ini}\" \"${ODBCSYSINI:-/etc}/odbc.ini\"; do\n"
               "                [[ -r $ini ]] && names+=\" $(sed -n 's/^[[:space:]]*\\[\\([^]]*\\)\\].*/odbc:\\1/p' \"$ini\" | grep -v '^odbc:ODBC$')\"\n"
               "            done\n"
               "            COMPREPLY=($(compgen -W \"$names\" -- \"$word\"))\n"
               "        elif [[ $word == sqlite:* ]]; then\n"
               "            compopt -o filenames 2>/dev/null\n"
               "            local path\n"
               "            COMPREPLY=()\n"
               "            while IFS= read -r path; do COMPREPLY+=(\"sqlite:$path\"); done < <(compgen -f -- \"${word#sqlite:}\")\n"
               "        else\n"
               "            compopt -o nospace 2>/dev/null\n"
               "            COMPREPLY=($(compgen -W 'sqlite: postgresql:// odbc:' -- \"$word\"))\n"
               "        fi\n"
               "        if [[ $word == *:* ]]; then\n"
               "            local before=${word%\"${word##*:}\"}\n"
               "            COMPREPLY=(\"${COMPREPLY[@]#\"$before\"}\")\n"
               "        fi ;;\n"
               "    esac\n"
               "}\n"
               "complete -F _tessel tessel\n")
        .arg(commandNames.join(u' '), cases);
}
