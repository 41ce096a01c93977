// The column beside a split page's pattern list that shows, for each row, how many addresses the
// row's pattern takes. It follows the pattern list row for row: same row height, same scrolling,
// the same row selected; it takes neither the focus nor clicks.
#pragma once

#include <QTableWidget>

#include <climits>
#include <vector>

class PatternCountList : public QTableWidget {
    Q_OBJECT
public:
    explicit PatternCountList(QWidget* parent = nullptr);

    // Rows as tall as the pattern list's, and scrolling and selection that follow it.
    void Follow(QTableWidget& patternList);
    // One row per pattern row with its count; rows from `usedRows` on are greyed as not used, with
    // `unusedText` on hover.
    void SetCounts(const std::vector<int>& counts, int usedRows = INT_MAX, const QString& unusedText = {});

private:
    void FollowSelection();

    QTableWidget* m_patternList = nullptr;
};
