// One token of a statement as the dialect translator sees it.
#pragma once

#include <QString>

namespace dataaccess {

struct SqlToken {
    enum class Kind {
        Word,       // a keyword or an unquoted name: compared without regard to case
        QuotedName, // "Name", kept with its quotes
        String,     // 'text', kept with its quotes and doubled inner quotes
        Number,
        Symbol, // punctuation and operators: ( ) , . ; * + - / = < > <= >= <> != ^= || and the like
    };

    Kind kind = Kind::Symbol;
    QString text;
    qsizetype position = 0; // offset in the statement, for error messages

    bool IsWord(QLatin1StringView word) const {
        return kind == Kind::Word && text.compare(word, Qt::CaseInsensitive) == 0;
    }
    bool IsSymbol(QLatin1StringView symbol) const { return kind == Kind::Symbol && text == symbol; }
    // The empty string literal '', which Oracle treats as NULL.
    bool IsEmptyString() const { return kind == Kind::String && text.size() == 2; }
};

} // namespace dataaccess
