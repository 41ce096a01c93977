// The one property of the translation cache: for every statement it gives what the translator gives
// for that statement, the same text, loop checks and sequence draws, or the same refusal. The
// property test and the fuzz target ask it of every statement they make, each dialect through a
// cache of its own that lives across statements, so that one statement's shape serves the next.
#pragma once

#include "platform/dataaccess/OracleTranslator.h"
#include "platform/dataaccess/TranslationCache.h"
#include "platform/dataaccess/TranslationError.h"

#include <functional>
#include <optional>

namespace translation_agreement {

struct Outcome {
    bool refused = false;
    QString text; // the refusal's message when refused
    QStringList loopChecks;
    QStringList sequences;
    QStringList sequenceDraws;

    bool operator==(const Outcome&) const = default;

    QString Describe() const {
        if (refused)
            return QStringLiteral("refused: ") + text;
        return text + QStringLiteral(" | checks: ") + loopChecks.join(u" ; ") + QStringLiteral(" | draws: ") +
               sequenceDraws.join(u" ; ");
    }
};

inline Outcome OutcomeOf(const std::function<dataaccess::TranslatedStatement()>& translate) {
    try {
        const dataaccess::TranslatedStatement t = translate();
        return Outcome{false, t.text, t.loopChecks, t.sequences, t.sequenceDraws};
    } catch (const dataaccess::TranslationError& error) {
        return Outcome{true, error.Message(), {}, {}, {}};
    }
}

// A cache and the translator of one dialect.
class Pair {
public:
    explicit Pair(dataaccess::SqlDialect dialect) : m_translator(dialect) {}

    // What differs between the cache and the translator on `statement`, or nothing.
    std::optional<QString> Disagreement(const QString& statement) {
        const Outcome direct = OutcomeOf([&] { return m_translator.Translate(statement); });
        const Outcome cached = OutcomeOf([&] {
            return m_cache.Translate(statement, [&](const QString& text) { return m_translator.Translate(text); });
        });
        if (cached == direct)
            return std::nullopt;
        return QStringLiteral("translator: %1\ncache:      %2").arg(direct.Describe(), cached.Describe());
    }

private:
    dataaccess::OracleTranslator m_translator;
    dataaccess::TranslationCache m_cache;
};

} // namespace translation_agreement
