// Cuts a statement into tokens. Comments (-- and /* */, optimizer hints included) are dropped.
#pragma once

#include "platform/dataaccess/SqlToken.h"

#include <vector>

namespace dataaccess {

class SqlTokenizer {
public:
    // Throws TranslationError for an unterminated literal or comment, or a form the translator
    // cannot read safely (q'...' quoting).
    static std::vector<SqlToken> Tokenize(const QString& statement);
};

} // namespace dataaccess
