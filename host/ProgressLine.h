// A progress line on standard error for long work, redrawn in place a few times a second: rows
// done, rows a second, share done. Only when standard error is a terminal; elsewhere (a log, a
// pipe) it prints nothing.
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdint>

class ProgressLine {
public:
    // total: the rows expected; what: what the rows are ("addr rows").
    ProgressLine(std::uint64_t total, QString what);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Update(std::int64_t done);
    // Ends the line (the cursor goes to a new line) when one was drawn.
    void Finish();

    static bool Shown();

private:
    void Draw(std::int64_t done);

    std::uint64_t m_total;
    QString m_what;
    QElapsedTimer m_clock;
    qint64 m_lastDrawn = -1; // ms since start
    bool m_drawn = false;
    bool m_shown;
};
