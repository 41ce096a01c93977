// The compounds a decompose run takes: the one of --cell, or the lines of a --cells file. Every
// line is data: it is read as strict UTF-8 (the run is refused with the line's number otherwise),
// and a line that cannot name a compound (CompoundReference::Parse) is kept with why, to be
// reported on its own line while the run goes on.
#pragma once

#include "pages/rules/CompoundReference.h"

#include <QString>

#include <optional>
#include <vector>

class CompoundList {
public:
    struct Entry {
        QString text; // as given, for the report
        std::optional<CompoundReference> reference;
        QString error; // why the text names no compound
    };

    enum class Reading { Read, Unreadable, NotUtf8 };

    void Add(const QString& text);
    // Adds the compounds of a file (- for standard input): one a line, without a line's CR before
    // its LF and without a leading byte order mark; empty lines name nothing. Unreadable and NotUtf8
    // say why in `error` ("line 3 is not valid UTF-8") and add nothing.
    Reading ReadFile(const QString& fileName, QString& error);

    const std::vector<Entry>& Entries() const { return m_entries; }
    qsizetype Size() const { return static_cast<qsizetype>(m_entries.size()); }

private:
    std::vector<Entry> m_entries;
};
