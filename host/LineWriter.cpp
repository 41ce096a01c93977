#include "host/LineWriter.h"

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <cstring>

void PrintLine(std::FILE* to, const QString& line) {
    // Written by its length: a NUL inside the text must not end the line before its break.
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
    std::fflush(to);
}

std::optional<QString> OutputError(std::FILE* out) {
    errno = 0;
    const bool flushed = std::fflush(out) == 0;
    const int error = errno;
    if (flushed && !std::ferror(out))
        return std::nullopt;
    if (error == EPIPE)
        return std::nullopt;
    return QString::fromUtf8(std::strerror(error ? error : EIO));
}

LineWriter::LineWriter(std::FILE* out) : m_out(out) {
    std::signal(SIGPIPE, SIG_IGN);
}

bool LineWriter::Check(bool ok) {
    if (ok)
        return true;
    m_error = errno;
    m_state = m_error == EPIPE ? State::Closed : State::Failed;
    return false;
}

bool LineWriter::Write(const QString& line) {
    if (m_state != State::Open)
        return false;
    QByteArray bytes = line.toUtf8();
    bytes += '\n';
    errno = 0;
    return Check(std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out) == size_t(bytes.size()));
}

LineWriter::State LineWriter::Finish() {
    if (m_state == State::Open) {
        errno = 0;
        Check(std::fflush(m_out) == 0);
    }
    return m_state;
}

QString LineWriter::Error() const {
    return QString::fromUtf8(std::strerror(m_error));
}
