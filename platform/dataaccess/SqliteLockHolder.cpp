#include "platform/dataaccess/SqliteLockHolder.h"

#include <QFile>
#include <QStringList>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace dataaccess {

namespace {

// SQLite's lock bytes (os_unix.c): a reserved lock is a write lock on one byte, readers hold read
// locks in the shared range, and a writer at COMMIT holds the pending byte and then the whole range.
constexpr unsigned long long kPendingByte = 0x40000000ULL;
constexpr unsigned long long kReservedByte = kPendingByte + 1;
constexpr unsigned long long kSharedFirst = kPendingByte + 2;
constexpr unsigned long long kSharedLast = kSharedFirst + 510 - 1;
// In WAL mode the writer's lock is a byte of the log's index, FILE-shm: its first lock byte.
constexpr unsigned long long kWalWriteByte = 120;

// "major:minor:inode" as /proc/locks writes a file.
QString LockedFile(unsigned major, unsigned minor, unsigned long long inode) {
    return QStringLiteral("%1:%2:%3").arg(major, 2, 16, QLatin1Char('0')).arg(minor, 2, 16, QLatin1Char('0')).arg(inode);
}

QString ProcessName(long long pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(comm.readAll()).trimmed();
}

QString Holder(long long pid) {
    if (pid == static_cast<long long>(getpid()))
        return QStringLiteral("another connection of this program");
    if (pid <= 0)
        return QStringLiteral("another connection");
    const QString name = ProcessName(pid);
    return name.isEmpty() ? QStringLiteral("process %1").arg(pid) : QStringLiteral("process %1 (%2)").arg(pid).arg(name);
}

} // namespace

QString SqliteLockHolder::Describe(const QString& procLocks, unsigned major, unsigned minor,
                                   unsigned long long inode, Wait wait, unsigned long long indexInode) {
    const QString indexFile = indexInode != 0 ? LockedFile(major, minor, indexInode) : QString();
    const QString file = LockedFile(major, minor, inode);
    QStringList holders;
    for (const QString& line : procLocks.split(u'\n', Qt::SkipEmptyParts)) {
        // "1: POSIX  ADVISORY  WRITE 1234 08:01:5678 1073741825 1073741825"; a lock waited for is
        // listed with "->" after its number and holds nothing.
        const QStringList fields = line.split(u' ', Qt::SkipEmptyParts);
        const bool ofIndex = !indexFile.isEmpty() && fields.size() >= 8 && fields[5] == indexFile;
        if (fields.size() < 8 || fields[1] == u"->" || (fields[5] != file && !ofIndex))
            continue;
        bool okPid = false, okStart = false, okEnd = true;
        const long long pid = fields[4].toLongLong(&okPid);
        const unsigned long long start = fields[6].toULongLong(&okStart);
        const unsigned long long end = fields[7] == u"EOF" ? ~0ULL : fields[7].toULongLong(&okEnd);
        if (!okPid || !okStart || !okEnd)
            continue;
        const bool write = fields[3] == u"WRITE";
        const auto covers = [&](unsigned long long first, unsigned long long last) {
            return start <= last && end >= first;
        };
        QString holder;
        if (ofIndex) {
            if (wait == Wait::ForWriter && write && covers(kWalWriteByte, kWalWriteByte))
                holder = Holder(pid) + QStringLiteral(" holds its write lock");
        } else if (wait == Wait::ForWriter && write &&
                   (covers(kReservedByte, kReservedByte) || covers(kPendingByte, kPendingByte) ||
                    covers(kSharedFirst, kSharedLast)))
            holder = Holder(pid) + QStringLiteral(" holds its write lock");
        // At COMMIT this process holds the write lock itself, and its own other connections' read
        // locks are merged into it by the system: only other processes show.
        else if (wait == Wait::ForReaders && !write && covers(kSharedFirst, kSharedLast) &&
                 pid != static_cast<long long>(getpid()))
            holder = Holder(pid) + QStringLiteral(" is reading it");
        if (!holder.isEmpty() && !holders.contains(holder))
            holders.append(holder);
    }
    return holders.join(QStringLiteral(", "));
}

QString SqliteLockHolder::Describe(const QString& databasePath, Wait wait) {
    struct stat status {};
    if (stat(QFile::encodeName(databasePath).constData(), &status) != 0)
        return {};
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return {};
    // The log's index, when the database is in WAL mode (it lies beside the file, on its device).
    struct stat index {};
    const bool wal = stat(QFile::encodeName(databasePath + QStringLiteral("-shm")).constData(), &index) == 0 &&
                     index.st_dev == status.st_dev;
    return Describe(QString::fromLatin1(locks.readAll()), major(status.st_dev), minor(status.st_dev),
                    static_cast<unsigned long long>(status.st_ino), wait,
                    wal ? static_cast<unsigned long long>(index.st_ino) : 0);
}

} // namespace dataaccess
