// The manual page tessel(1), in roff, written from the commands' declarations, so that it says what
// the program's help says. The build generates it with `tessel help --man`.
#pragma once

#include <QString>

class ManPage {
public:
    static QString Write(const QString& version);

private:
    // Text as roff: backslashes and dashes escaped, no line taken for a request.
    static QString Escape(const QString& text);
    static QString Paragraphs(const QString& text);
    static QString Preformatted(const QString& text);
};
