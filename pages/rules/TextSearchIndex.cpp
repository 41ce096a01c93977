#include "pages/rules/TextSearchIndex.h"

#include <algorithm>

uint32_t TextSearchIndex::Add(const QString& text) {
    const auto row = static_cast<uint32_t>(m_texts.size());
    m_texts.push_back(text);
    AddPostings(row, text);
    return row;
}

void TextSearchIndex::Replace(uint32_t row, const QString& text) {
    m_texts[row] = text;
    AddPostings(row, text);
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
        for (uint32_t row = 0; row < m_texts.size(); ++row)
            if (!m_texts[row].isNull())
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
        if (m_texts[row].contains(part, Qt::CaseSensitive))
            found.push_back(row);
    // A replaced text lists its row again, after rows added since.
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}
