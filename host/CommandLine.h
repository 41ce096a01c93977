// The arguments of one command, read by the one parser of the program (QCommandLineParser) from
// the command's declaration: `--opt=value` and `--opt value`, `-pVALUE` and `-p VALUE`, `--` ends
// the options, `-` is an argument. Every mistake is a UsageError with a one-line message; the
// program prints it as "tessel COMMAND: message" and exits with 2.
#pragma once

#include "host/Command.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class CommandLine {
public:
    // Reads `arguments` (those after the command's name). Throws UsageError.
    CommandLine(const Command& command, const QStringList& arguments);

    const Command& Declaration() const { return m_command; }
    bool HelpAsked() const { return m_helpAsked; }

    bool IsSet(const QString& option) const;
    // The last value given for an option; empty when it was not given.
    QString Value(const QString& option) const;
    QStringList Values(const QString& option) const;
    // A whole number from `min` to `max`; nullopt when the option was not given. Throws UsageError
    // ("--size needs a whole number from 1 to 100000000") otherwise.
    std::optional<std::uint64_t> Number(const QString& option, std::uint64_t min, std::uint64_t max) const;

    // The arguments that are not options, checked against the declaration's counts. Argument(i) is
    // empty past the end.
    const QStringList& Arguments() const { return m_arguments; }
    QString Argument(qsizetype i) const { return m_arguments.value(i); }

    // Prints "tessel COMMAND: message" on standard error and returns 1: how a command fails.
    int Fail(const QString& message) const;
    // "tessel COMMAND: message" on standard error, for notes that are no failure.
    void Note(const QString& message) const;

private:
    static QString OptionDisplayName(const QString& name);
    void CheckArgumentCount() const;

    const Command& m_command;
    QCommandLineParser m_parser;
    QStringList m_arguments;
    bool m_helpAsked = false;
};
