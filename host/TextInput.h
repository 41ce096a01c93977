// The text that the program's text commands read and write: a file or standard input whole, and
// UTF-8 in and out, strict on the way in and always valid on the way out.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>

// Everything the file of that name holds, standard input without a name or with "-", without a
// leading byte order mark (no part of the first text); why not ("cannot open FILE: reason") when it
// cannot be read.
std::optional<QString> ReadInput(const std::optional<std::string>& fileName, std::string& bytes);
// The same for a command's optional FILE argument: the first of `arguments`, none for standard input.
std::optional<QString> ReadFileArgument(const QStringList& arguments, std::string& bytes);

// The first line of `input` without its line end (LF or CRLF); `input` keeps what follows it.
std::string_view TakeLine(std::string_view& input);

// Strict UTF-8 to UTF-16: no overlong forms, no encoded surrogates, nothing above U+10FFFF. False
// when the bytes are not UTF-8.
bool DecodeUtf8(std::string_view bytes, std::u16string& text);

// UTF-16 to UTF-8, appended to `out`. A lone surrogate half is written as U+FFFD.
void AppendUtf8(std::u16string_view text, std::string& out);
