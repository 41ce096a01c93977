#include "host/ProgressLine.h"

#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

ProgressLine::ProgressLine(std::uint64_t total, QString what)
    : m_total(std::max<std::uint64_t>(total, 1)), m_what(std::move(what)), m_shown(Shown()) {
    m_clock.start();
}

ProgressLine::~ProgressLine() {
    Finish();
}

bool ProgressLine::Shown() {
    return ::isatty(STDERR_FILENO) == 1;
}

void ProgressLine::Update(std::int64_t done) {
    if (!m_shown)
        return;
    const qint64 now = m_clock.elapsed();
    if (m_lastDrawn >= 0 && now - m_lastDrawn < 200)
        return;
    m_lastDrawn = now;
    Draw(done);
}

void ProgressLine::Draw(std::int64_t done) {
    const double seconds = std::max<double>(m_clock.elapsed(), 1) / 1000.0;
    const int share = int(std::min<std::uint64_t>(100, std::uint64_t(std::max<std::int64_t>(done, 0)) * 100 / m_total));
    const QLocale c = QLocale::c();
    const QString line = QStringLiteral("\r%1 of %2 %3, %4 a second, %5% done\x1b[K")
                             .arg(c.toString(qlonglong(done)), c.toString(qulonglong(m_total)), m_what,
                                  c.toString(qlonglong(done / seconds)))
                             .arg(share);
    std::fputs(line.toUtf8().constData(), stderr);
    std::fflush(stderr);
    m_drawn = true;
}

void ProgressLine::Finish() {
    if (m_drawn) {
        std::fputs("\n", stderr);
        std::fflush(stderr);
        m_drawn = false;
    }
}
