// PostgreSQL plans every statement it is sent as text anew; a statement of a shape the connection
// sends again and again (a search per compound, a path look-up per level) costs more to plan than
// to run. Such shapes are prepared once on the server, their literals becoming parameters, and run
// again with EXECUTE and the literals as written: the statement the caller wrote is what runs, the
// text only travels in two parts.
//
// A shape is prepared at its second use, so a statement sent once costs one statement as before,
// and only outside a transaction: a PREPARE that fails (a parameter whose type the server cannot
// tell) would otherwise abort it. A shape prepared earlier is executed inside a transaction too
// (prepared statements outlive the transaction they were made in). Literals keep the types
// PostgreSQL gives them in a statement's text: strings stay untyped (the server reads them by
// their place), whole numbers are integer, bigint or numeric by their size, others numeric. A
// number in an order by or group by clause stays in the text, where it names a column.
#pragma once

#include "platform/dataaccess/TranslatedStatement.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace dataaccess {

class PreparedStatements {
public:
    // How to send a statement the cache translated.
    struct Sending {
        QString prepare; // to send first, when the shape is prepared now
        QString execute; // the statement to send
        QString key;     // the shape, for Refused
    };

    // EXECUTE (after a PREPARE, when the shape is prepared now), or nothing: send the statement's
    // text. `outsideTransaction`: a PREPARE may be sent. Notes one use of the shape.
    std::optional<Sending> Send(const TranslatedStatement& translated, bool outsideTransaction);
    // The server refused the PREPARE: the shape is sent as text from now on.
    void Refused(const QString& key);
    // The server holds none of them (a new session): all are forgotten.
    void Forget();
    // When the next PREPARE would pass the number kept: "DEALLOCATE ALL", to send before it; every
    // shape is forgotten.
    std::optional<QString> MakeRoom();

    // The statement with parameters ($1, ...) in place of its literals' markers, their types and
    // their values as written; nothing when no literal becomes a parameter or the statement is no
    // select, insert, update, delete or with.
    struct Parameterized {
        QString text;
        QStringList types;
        QStringList values;
    };
    static std::optional<Parameterized> Parameterize(const QString& shapeText, const QStringList& literals);

    static constexpr qsizetype MaxPrepared = 200;
    static constexpr qsizetype MaxCounted = 2000;

private:
    struct Shape {
        QString name; // once prepared
        int uses = 0;
        bool refused = false;
    };
    QHash<QString, Shape> m_shapes; // by the PREPARE's text (types and statement)
    qsizetype m_prepared = 0;
    long long m_nextNumber = 1;
};

} // namespace dataaccess
