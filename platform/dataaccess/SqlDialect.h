// The database a statement is translated for. Oracle (and any database the layer does not know)
// receives the system's statements untouched.
#pragma once

namespace dataaccess {

enum class SqlDialect { Oracle, SQLite, PostgreSQL };

} // namespace dataaccess
