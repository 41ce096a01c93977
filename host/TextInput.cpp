#include "host/TextInput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool ReadAll(std::FILE* file, std::string& bytes) {
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    return !std::ferror(file);
}

} // namespace

namespace {

std::optional<QString> ReadWhole(const std::optional<std::string>& fileName, std::string& bytes) {
    if (!fileName || *fileName == "-") {
        if (!ReadAll(stdin, bytes))
            return QStringLiteral("cannot read standard input");
        return std::nullopt;
    }
    std::FILE* file = std::fopen(fileName->c_str(), "rb");
    if (!file)
        return QStringLiteral("cannot open %1: %2")
            .arg(QString::fromStdString(*fileName), QString::fromLocal8Bit(std::strerror(errno)));
    const bool read = ReadAll(file, bytes);
    std::fclose(file);
    if (!read)
        return QStringLiteral("cannot read %1").arg(QString::fromStdString(*fileName));
    return std::nullopt;
}

} // namespace

std::optional<QString> ReadInput(const std::optional<std::string>& fileName, std::string& bytes) {
    std::optional<QString> error = ReadWhole(fileName, bytes);
    if (!error && std::string_view(bytes).substr(0, 3) == "\xEF\xBB\xBF")
        bytes.erase(0, 3);
    return error;
}

std::optional<QString> ReadFileArgument(const QStringList& arguments, std::string& bytes) {
    return ReadInput(arguments.isEmpty() ? std::nullopt : std::optional(arguments.first().toStdString()), bytes);
}

std::string_view TakeLine(std::string_view& input) {
    const std::size_t newline = input.find('\n');
    std::string_view line = input.substr(0, newline);
    input.remove_prefix(newline == std::string_view::npos ? input.size() : newline + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Strict UTF-8 to UTF-16: no overlong forms, no encoded surrogates, nothing above U+10FFFF.
bool DecodeUtf8(std::string_view bytes, std::u16string& text) {
    text.clear();
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    auto continuation = [&](std::size_t i, unsigned char low = 0x80, unsigned char high = 0xBF) {
        return i < size && s[i] >= low && s[i] <= high;
    };
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = s[i];
        char32_t code;
        if (lead < 0x80) {
            code = lead;
            i += 1;
        } else if (lead >= 0xC2 && lead <= 0xDF && continuation(i + 1)) {
            code = (lead & 0x1Fu) << 6 | (s[i + 1] & 0x3Fu);
            i += 2;
        } else if (lead >= 0xE0 && lead <= 0xEF &&
                   continuation(i + 1, lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF) &&
                   continuation(i + 2)) {
            code = (lead & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu);
            i += 3;
        } else if (lead >= 0xF0 && lead <= 0xF4 &&
                   continuation(i + 1, lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF) &&
                   continuation(i + 2) && continuation(i + 3)) {
            code = (lead & 0x07u) << 18 | (s[i + 1] & 0x3Fu) << 12 | (s[i + 2] & 0x3Fu) << 6 |
                   (s[i + 3] & 0x3Fu);
            i += 4;
        } else {
            return false;
        }
        if (code >= 0x10000) {
            text.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
    }
    return true;
}

// A piece may end or begin inside a surrogate pair when a level's terminators hold
// half of one; such a lone half is written as U+FFFD so that the output stays valid UTF-8.
void AppendUtf8(std::u16string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | code >> 6));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | code >> 12));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | code >> 18));
            out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
}

