#include "host/CommandLine.h"

#include "host/PrintableText.h"
#include "host/UsageError.h"

#include <QRegularExpression>

#include <cstdio>

namespace {

const QString HelpOption = QStringLiteral("help");

void PrintError(const QString& line) {
    std::fflush(stdout); // what was printed before comes first
    // One line, whatever an argument or a database's message held.
    std::fputs((PrintableText(line) + u'\n').toUtf8().constData(), stderr);
    std::fflush(stderr);
}

// The argument the user wrote for an option that QCommandLineParser names without its dashes.
QString WrittenOption(const QString& name, const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument == u"--")
            break;
        if (argument == QStringLiteral("--") + name || argument.startsWith(QStringLiteral("--") + name + u'='))
            return QStringLiteral("--") + name;
    }
    return QStringLiteral("-") + name;
}

} // namespace

CommandLine::CommandLine(const Command& command, const QStringList& arguments) : m_command(command) {
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    m_parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), HelpOption}));
    for (const CommandOption& option : command.options)
        m_parser.addOption(QCommandLineOption(option.names, option.description, option.valueName));

    const bool parsed = m_parser.parse(QStringList{QStringLiteral("tessel")} + arguments);
    m_helpAsked = m_parser.isSet(HelpOption);
    if (m_helpAsked)
        return; // the help, whatever else is wrong
    if (!parsed) {
        static const QRegularExpression missingValue(QStringLiteral("^Missing value after '(.*)'\\.$"));
        static const QRegularExpression unexpectedValue(QStringLiteral("^Unexpected value after '(.*)'\\.$"));
        const QString error = m_parser.errorText();
        if (const auto match = missingValue.match(error); match.hasMatch())
            throw UsageError(match.captured(1) + QStringLiteral(" needs a value"));
        if (const auto match = unexpectedValue.match(error); match.hasMatch())
            throw UsageError(match.captured(1) + QStringLiteral(" takes no value"));
        if (!m_parser.unknownOptionNames().isEmpty())
            throw UsageError(QStringLiteral("unknown option '%1'")
                                 .arg(WrittenOption(m_parser.unknownOptionNames().first(), arguments)));
        throw UsageError(error);
    }
    m_arguments = m_parser.positionalArguments();
    CheckArgumentCount();
}

void CommandLine::CheckArgumentCount() const {
    qsizetype required = 0;
    qsizetype allowed = 0;
    bool unbounded = false;
    for (const CommandArgument& argument : m_command.arguments) {
        if (argument.count == ArgumentCount::One)
            ++required;
        if (argument.count == ArgumentCount::Any)
            unbounded = true;
        ++allowed;
    }
    if (m_arguments.size() < required)
        throw UsageError(QStringLiteral("missing %1").arg(m_command.arguments[size_t(m_arguments.size())].name));
    if (!unbounded && m_arguments.size() > allowed)
        throw UsageError(QStringLiteral("unexpected argument '%1'").arg(m_arguments[allowed]));
}

QString CommandLine::OptionDisplayName(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

bool CommandLine::IsSet(const QString& option) const {
    return m_parser.isSet(option);
}

QString CommandLine::Value(const QString& option) const {
    return m_parser.isSet(option) ? m_parser.value(option) : QString();
}

QStringList CommandLine::Values(const QString& option) const {
    return m_parser.values(option);
}

std::optional<std::uint64_t> CommandLine::Number(const QString& option, std::uint64_t min,
                                                 std::uint64_t max) const {
    if (!m_parser.isSet(option))
        return std::nullopt;
    const QString text = m_parser.value(option);
    bool digitsOnly = !text.isEmpty();
    for (QChar c : text)
        digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
    bool ok = false;
    const std::uint64_t number = digitsOnly ? text.toULongLong(&ok, 10) : 0;
    if (!ok || number < min || number > max)
        throw UsageError(QStringLiteral("%1 needs a whole number from %2 to %3")
                             .arg(OptionDisplayName(option))
                             .arg(min)
                             .arg(max));
    return number;
}

int CommandLine::Fail(const QString& message) const {
    Note(message);
    return 1;
}

void CommandLine::Note(const QString& message) const {
    PrintError(QStringLiteral("tessel %1: %2").arg(m_command.name, message));
}
