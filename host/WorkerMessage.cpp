#include "host/WorkerMessage.h"

#include "host/PatternRowArgument.h"

#include <array>

namespace {

using Outcome = CompoundDecomposition::Outcome;
using Status = CompoundDecomposition::Status;

// The figures an outcome carries, in the order they travel.
std::array<int Outcome::*, 9> Figures() {
    return {&Outcome::dpLoaded, &Outcome::dpMatched, &Outcome::addrLoaded, &Outcome::addrMatched,
            &Outcome::nodesNew, &Outcome::linksNew,  &Outcome::moved,      &Outcome::replaced,
            &Outcome::skipped};
}

constexpr int LastStatus = static_cast<int>(Status::Failed);

// A list of rows: how many, then each in the form --dp-pattern takes, which reads back the same.
void AppendRows(QStringList& fields, const std::vector<NamedPatternRow>& rows) {
    fields << QString::number(rows.size());
    for (const NamedPatternRow& row : rows)
        fields << QString::fromStdU16String(PatternRowText(row));
}

bool TakeRows(const QStringList& fields, qsizetype& at, std::vector<NamedPatternRow>& rows) {
    bool ok = false;
    const int count = fields.value(at++).toInt(&ok);
    if (!ok || count < 0 || at + count > fields.size())
        return false;
    for (int i = 0; i < count; ++i) {
        rows.emplace_back();
        if (ParsePatternRowText(fields[at++].toStdU16String(), std::string(), rows.back()))
            return false;
    }
    return true;
}

} // namespace

QByteArray WorkerMessage::Encode(const QStringList& fields) {
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += '\t';
        for (const char c : fields[i].toUtf8()) {
            switch (c) {
            case '\\':
                line += "\\\\";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\n':
                line += "\\n";
                break;
            case '\r':
                line += "\\r";
                break;
            default:
                line += c;
            }
        }
    }
    line += '\n';
    return line;
}

QStringList WorkerMessage::Decode(const QByteArray& line) {
    QStringList fields;
    QByteArray field;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields << QString::fromUtf8(field);
            field.clear();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            field += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            field += c;
        }
    }
    fields << QString::fromUtf8(field);
    return fields;
}

QStringList WorkerMessage::OutcomeFields(const Outcome& outcome) {
    QStringList fields{QString::number(static_cast<int>(outcome.status))};
    for (int Outcome::*figure : Figures())
        fields << QString::number(outcome.*figure);
    QStringList candidates;
    for (const uint32_t id : outcome.candidates)
        candidates << QString::number(id);
    fields << outcome.resultId << outcome.message << candidates.join(u',');
    AppendRows(fields, outcome.dpRows);
    AppendRows(fields, outcome.addrRows);
    return fields;
}

std::optional<Outcome> WorkerMessage::OutcomeOf(const QStringList& fields) {
    const auto figures = Figures();
    if (fields.size() < static_cast<qsizetype>(figures.size()) + 6)
        return std::nullopt;
    Outcome outcome;
    bool ok = false;
    const int status = fields[0].toInt(&ok);
    if (!ok || status < 0 || status > LastStatus)
        return std::nullopt;
    outcome.status = static_cast<Status>(status);
    qsizetype at = 1;
    for (int Outcome::*figure : figures) {
        outcome.*figure = fields[at++].toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    outcome.resultId = fields[at++];
    outcome.message = fields[at++];
    for (const QString& id : fields[at++].split(u',', Qt::SkipEmptyParts)) {
        outcome.candidates.push_back(id.toUInt(&ok));
        if (!ok)
            return std::nullopt;
    }
    if (!TakeRows(fields, at, outcome.dpRows) || !TakeRows(fields, at, outcome.addrRows) || at != fields.size())
        return std::nullopt;
    return outcome;
}
