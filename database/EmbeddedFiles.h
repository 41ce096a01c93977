// Files compiled into the database library: the schema scripts ("schema/sqlite.sql",
// "schema/postgresql.sql", "schema/oracle.sql") and the generator's place names
// ("data/divisions.csv"), so that the program needs no source tree at run time.
#pragma once

#include <QByteArray>

// The file's bytes (static storage, not copied); empty when there is no such file.
QByteArray EmbeddedFile(const char* name);
