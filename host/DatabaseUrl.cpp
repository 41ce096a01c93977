#include "host/DatabaseUrl.h"

#include "host/PrintableText.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// ~ and ~user at the start of a path, as a shell expands them; anything else as it is.
QString ExpandTilde(const QString& path) {
    if (!path.startsWith(u'~'))
        return path;
    const qsizetype slash = path.indexOf(u'/');
    const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
    QString home;
    if (user.isEmpty()) {
        home = QDir::homePath();
    } else if (const passwd* entry = ::getpwnam(user.toLocal8Bit().constData())) {
        home = QString::fromLocal8Bit(entry->pw_dir);
    } else {
        return path; // no such user: the file check says the path is not there
    }
    return slash < 0 ? home : home + path.mid(slash);
}

// The first folder on the way to `path` that is missing or cannot be entered, with the reason.
std::optional<QString> FolderProblem(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    struct stat info {};
    if (::stat(folder.toLocal8Bit().constData(), &info) != 0) {
        const int error = errno;
        return QStringLiteral("the folder %1 is not there (%2)").arg(PrintableText(folder), SystemReason(error));
    }
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("%1 is not a folder").arg(PrintableText(folder));
    return std::nullopt;
}

} // namespace

DatabaseUrl::DatabaseUrl(const QString& typed) : m_typed(typed), m_text(typed) {
    m_parsed = dataaccess::ConnectionString::Parse(typed, nullptr);
    if (IsSqlite() && m_parsed->database.startsWith(u'~')) {
        m_parsed->database = ExpandTilde(m_parsed->database);
        m_text = QStringLiteral("sqlite:") + m_parsed->database;
    }
}

QString DatabaseUrl::Shown() const {
    return PrintableText(dataaccess::ConnectionString::WithoutPassword(m_typed));
}

QString DatabaseUrl::Explained(const QString& message) const {
    QString text = message;
    // The password as typed, and as the driver got it (decoded from %XX, out of its braces).
    if (m_parsed)
        text = m_parsed->HidePassword(text);
    // Whatever the string holds after PWD= or : ... @ is hidden even when it could not be read.
    const QString shown = dataaccess::ConnectionString::WithoutPassword(m_typed);
    if (shown != m_typed)
        text.replace(m_typed, shown);
    static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    text = text.trimmed().replace(lineBreaks, QStringLiteral("; "));
    if (m_parsed && m_parsed->driver == u"QODBC" &&
        text.contains(QStringLiteral("Data source name not found"), Qt::CaseInsensitive))
        text += QStringLiteral(" (data sources are read from %1)").arg(OdbcIniFiles().join(QStringLiteral(", ")));
    return PrintableText(text);
}

QString DatabaseUrl::OpenFailure(const QString& message) const {
    return QStringLiteral("cannot open %1: %2").arg(Shown(), Explained(message));
}

QString DatabaseUrl::DriverPackage(const QString& driver) {
    if (driver == u"QPSQL")
        return QStringLiteral("libqt6sql6-psql");
    if (driver == u"QODBC")
        return QStringLiteral("libqt6sql6-odbc");
    if (driver == u"QSQLITE")
        return QStringLiteral("libqt6sql6-sqlite");
    return QStringLiteral("libqt6sql6");
}

QStringList DatabaseUrl::OdbcIniFiles() {
    QStringList files;
    const QString user = qEnvironmentVariable("ODBCINI");
    files << (user.isEmpty() ? QDir::homePath() + QStringLiteral("/.odbc.ini") : user);
    const QString systemFolder = qEnvironmentVariable("ODBCSYSINI");
    files << (systemFolder.isEmpty() ? QStringLiteral("/etc") : systemFolder) + QStringLiteral("/odbc.ini");
    return files;
}

std::optional<QString> DatabaseUrl::MissingDriver() const {
    if (!m_parsed || QSqlDatabase::isDriverAvailable(m_parsed->driver))
        return std::nullopt;
    return QStringLiteral("cannot open %1: Qt's %2 driver is not installed (Debian package %3)")
        .arg(Shown(), m_parsed->driver, DriverPackage(m_parsed->driver));
}

std::optional<QString> DatabaseUrl::MissingFile() const {
    if (auto missing = MissingDriver())
        return missing;
    if (!IsSqlite() || m_parsed->database == u":memory:")
        return std::nullopt;
    const QString path = m_parsed->database;
    const QString start = QStringLiteral("cannot open %1: ").arg(Shown());
    const QString tildeNote = path.startsWith(u'~') ? QStringLiteral(" (~ names no user here)") : QString();
    struct stat info {};
    if (::stat(path.toLocal8Bit().constData(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT) {
            if (auto folder = FolderProblem(path))
                return start + *folder + tildeNote;
            return start + QStringLiteral("there is no file %1 (%2); tessel init-db creates a database")
                               .arg(PrintableText(path), SystemReason(error)) +
                   tildeNote;
        }
        return start + QStringLiteral("%1: %2").arg(PrintableText(path), SystemReason(error));
    }
    if (S_ISDIR(info.st_mode))
        return start + QStringLiteral("%1 is a folder").arg(PrintableText(path));
    if (::access(path.toLocal8Bit().constData(), R_OK) != 0) {
        const int error = errno;
        return start + QStringLiteral("cannot read %1 (%2)").arg(PrintableText(path), SystemReason(error));
    }
    return std::nullopt;
}

std::optional<QString> DatabaseUrl::CannotCreate() const {
    if (auto missing = MissingDriver())
        return missing;
    if (!IsSqlite() || m_parsed->database == u":memory:" || QFileInfo::exists(m_parsed->database))
        return std::nullopt;
    const QString start = QStringLiteral("cannot create %1: ").arg(Shown());
    if (auto folder = FolderProblem(m_parsed->database))
        return start + *folder;
    const QString folder = QFileInfo(m_parsed->database).absolutePath();
    if (::access(folder.toLocal8Bit().constData(), W_OK) != 0) {
        const int error = errno;
        return start + QStringLiteral("cannot write in the folder %1 (%2)").arg(PrintableText(folder), SystemReason(error));
    }
    return std::nullopt;
}
