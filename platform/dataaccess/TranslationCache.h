// Statements that differ only in their literals translate alike: the commit sends batches of one
// shape (a multi-row insert of 200 rows, an in list of 500 ids) many times over. The cache keeps
// the translation of a statement's shape, its literals replaced by markers, and puts a statement's
// own literals back into it, which costs a scan instead of the tokenizer and the rewriter.
// The empty string (Oracle's NULL), which the translator reads, is left in the shape; a text that
// starts with % (a like pattern searched anywhere) keeps its % before the marker, the part of it the
// translator reads. Statements that draw sequence
// values, and those whose translation reads a literal's value (a sequence range's count), are not
// kept. Whatever the shape, the result is the translator's own for the statement, a refusal
// included; a statement may hold any number of literals.
#pragma once

#include "platform/dataaccess/TranslatedStatement.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace dataaccess {

class TranslationCache {
public:
    // The translation of `statement`: from the cache when its shape is there, else by `translate`
    // (which may throw TranslationError; a statement whose shape fails is translated as it is, so
    // that the error names its own text).
    TranslatedStatement Translate(const QString& statement,
                                  const std::function<TranslatedStatement(const QString&)>& translate);
    void Clear() { m_shapes.clear(); }

    struct Shape {
        QString text;         // the statement with markers in place of its literals
        QStringList literals; // in order, as written (strings with their quotes)
    };
    // Nothing when the statement cannot be taken apart safely (it holds a marker's characters, or
    // a number runs into a name or a dot). A literal is replaced only where the tokenizer reads it
    // as one whole token.
    static std::optional<Shape> ShapeOf(const QString& statement);
    static QString Fill(const QString& text, const QStringList& literals);

    // A literal's marker in a shape's text (or in its translation): where it is, and which literal.
    struct Marker {
        enum class Kind { Number, String, LeadingPercentString };
        Kind kind = Kind::Number;
        qsizetype begin = 0;
        qsizetype end = 0;     // past the marker (its closing quote, for a string)
        qsizetype literal = 0; // index into Shape::literals
    };
    // The marker that starts at `i`, if one does.
    static std::optional<Marker> MarkerAt(QStringView text, qsizetype i);

private:
    enum class StringKind { Plain, LeadingPercent };
    static constexpr qsizetype MaxShapes = 256;
    QHash<QString, TranslatedStatement> m_shapes;
};

} // namespace dataaccess
