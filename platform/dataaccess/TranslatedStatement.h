// What the dialect translator makes of one statement.
#pragma once

#include <QString>
#include <QStringList>

namespace dataaccess {

struct TranslatedStatement {
    // The statement to run.
    QString text;
    // Statements run first, each of which must return no row: a row means a loop in the data of a
    // hierarchical query (a node that is its own ancestor), reported as Oracle reports it.
    QStringList loopChecks;
    // SQLite only: sequences the statement draws from, in order. Each is drawn by its own statement
    // (SequenceDraws) and the statement is translated again with the values drawn.
    QStringList sequences;
    QStringList sequenceDraws;
    // The translation depends on a literal's value, not only on its kind (a sequence range's
    // count): a statement that differs from this one in its literals alone may translate otherwise,
    // or not at all.
    bool readsLiteralValues = false;
    // From the translation cache: the translation of the statement's shape, its literals' markers
    // in place (see TranslationCache::MarkerAt), and the statement's literals as written. Empty when
    // the statement was translated as it is.
    QString shapeText;
    QStringList literals;
};

} // namespace dataaccess
