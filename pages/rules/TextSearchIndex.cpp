#include "pages/rules/TextSearchIndex.h"

#include <algorithm>

TextSearchIndex::Row TextSearchIndex::Store(const QString& text) {
    Row row;
    row.null = text.isNull();
    row.begin = static_cast<uint32_t>(m_chars.size());
    row.length = static_cast<uint32_t>(text.size());
    m_chars.append(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    return row;
}

QStringView TextSearchIndex::View(const Row& row) const {
    return QStringView(m_chars.data() + row.begin, static_cast<qsizetype>(row.length));
}

uint32_t TextSearchIndex::Add(const QString& text) {
    const auto row = static_cast<uint32_t>(m_rows.size());
    m_rows.push_back(Store(text));
    AddPostings(row, text);
    return row;
}

void TextSearchIndex::Replace(uint32_t row, const QString& text) {
    // The old text stays in the buffer, unused.
    m_rows[row] = Store(text);
    AddPostings(row, text);
}

QString TextSearchIndex::Text(uint32_t row) const {
    const Row& r = m_rows[row];
    return r.null ? QString() : View(r).toString();
}

void TextSearchIndex::AddPostings(uint32_t row, const QString& text) {
    for (const QChar c : text) {
        std::vector<uint32_t>& rows = m_rowsOf[c.unicode()];
        // A code unit repeated in the text is listed once for it.
        if (rows.empty() || rows.back() != row)
            rows.push_back(row);
    }
}

std::vector<uint32_t> TextSearchIndex::RowsHolding(QStringView part) const {
    std::vector<uint32_t> found;
    if (part.isEmpty()) {
        for (uint32_t row = 0; row < m_rows.size(); ++row)
            if (!m_rows[row].null)
                found.push_back(row);
        return found;
    }
    const std::vector<uint32_t>* rarest = nullptr;
    for (const QChar c : part) {
        const auto it = m_rowsOf.find(c.unicode());
        if (it == m_rowsOf.end())
            return found; // no row holds this code unit
        if (!rarest || it->second.size() < rarest->size())
            rarest = &it->second;
    }
    for (const uint32_t row : *rarest)
        if (View(m_rows[row]).contains(part, Qt::CaseSensitive))
            found.push_back(row);
    // A replaced text lists its row again, after rows added since.
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}
