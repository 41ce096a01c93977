// Texts held in memory with, for each UTF-16 code unit, the rows whose text holds it, so that the
// rows whose text holds a given text can be found by reading only the rows of its rarest code unit:
// what "like '%text%'" with every character taken literally (letter case included) selects, without
// reading every row. The texts lie end to end in one buffer (a million addresses take tens of
// megabytes, not hundreds).
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
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

    // The row's text; a null text for NULL.
    QString Text(uint32_t row) const;
    uint32_t RowCount() const { return static_cast<uint32_t>(m_rows.size()); }

private:
    struct Row {
        uint32_t begin = 0;
        uint32_t length = 0;
        bool null = true;
    };
    Row Store(const QString& text);
    QStringView View(const Row& row) const;
    void AddPostings(uint32_t row, const QString& text);

    std::u16string m_chars;
    std::vector<Row> m_rows;
    std::unordered_map<char16_t, std::vector<uint32_t>> m_rowsOf;
};
