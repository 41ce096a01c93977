// Texts held in memory with, for each UTF-16 code unit, the rows whose text holds it, so that the
// rows whose text holds a given text can be found by reading only the rows of its rarest code unit:
// what "like '%text%'" with every character taken literally (letter case included) selects, without
// reading every row.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <unordered_map>
#include <vector>

class TextSearchIndex {
public:
    // Adds a row (numbered from 0 in the order added). A null text, like the database's NULL,
    // holds nothing.
    uint32_t Add(const QString& text);
    // The row's text has changed. The rows kept for its old characters stay; every search checks the
    // text itself, so they cost a look only.
    void Replace(uint32_t row, const QString& text);

    // The rows whose text holds `part` as it is, in ascending order. An empty `part` is held by
    // every row that has a text, the empty one included.
    std::vector<uint32_t> RowsHolding(QStringView part) const;

    const QString& Text(uint32_t row) const { return m_texts[row]; }
    uint32_t RowCount() const { return static_cast<uint32_t>(m_texts.size()); }

private:
    void AddPostings(uint32_t row, const QString& text);

    std::vector<QString> m_texts;
    std::unordered_map<char16_t, std::vector<uint32_t>> m_rowsOf;
};
