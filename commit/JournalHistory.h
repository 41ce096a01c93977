// The journal's runs as rows of text, for `tessel history` (whose printer formats them) and for
// page 1's note of who made a compound's inner tree.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct JournalHistory {
    // run, at, by, cell, cell_id, nodes_new, links_new, moved, replaced, state (kept or undone).
    static QStringList Header();
    // Every run, oldest first, or those of one compound name; nothing after a database failure (its
    // words in `error`). Quiet: no box.
    static std::optional<std::vector<QStringList>> Read(const std::optional<QString>& cellName, QString& error);
    // "by": the database user and the operating-system user and host, as far as they are known.
    static QString Who(const QString& dbUser, const QString& osUser, const QString& host);
};
