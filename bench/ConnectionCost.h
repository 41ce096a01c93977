// What a stretch of work costs one connection of a test database: the statements the data-access
// layer sent, and on PostgreSQL the CPU time of the server process that serves the connection (read
// from /proc: the benchmarks' server runs on the same machine).
//
//   ConnectionCost cost(db);
//   ... work ...
//   cost.Statements(); cost.ServerCpuMs();   // since construction
#pragma once

#include "platform/dataaccess/Connection.h"
#include "tests/support/TestDatabase.h"

#include <QFile>
#include <QStringList>

#include <unistd.h>

namespace bench {

class ConnectionCost {
public:
    explicit ConnectionCost(TestDatabase& db) : m_connection(dataaccess::Connection::From(db.Connection())) {
        if (db.GetBackend() == Backend::PostgreSQL)
            m_serverPid = db.Rows(QStringLiteral("select pg_backend_pid() from dual")).value(0).value(0).toLongLong();
        m_statements = SentNow();
        m_cpuMs = CpuNow();
    }

    long long Statements() const { return SentNow() - m_statements; }
    // -1 where there is no server process to read (SQLite).
    double ServerCpuMs() const { return m_serverPid > 0 ? CpuNow() - m_cpuMs : -1; }

private:
    long long SentNow() const { return m_connection ? m_connection->StatementsSent() : 0; }

    // utime + stime of the server process, in milliseconds (fields 14 and 15 of its stat line, after
    // the command name in parentheses).
    double CpuNow() const {
        if (m_serverPid <= 0)
            return 0;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_serverPid));
        if (!stat.open(QIODevice::ReadOnly))
            return 0;
        const QString line = QString::fromLatin1(stat.readAll());
        const QStringList fields = line.mid(line.lastIndexOf(u')') + 2).split(u' ');
        if (fields.size() < 13)
            return 0;
        const double ticks = fields[11].toDouble() + fields[12].toDouble();
        return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    const dataaccess::Connection* m_connection;
    long long m_serverPid = 0;
    long long m_statements = 0;
    double m_cpuMs = 0;
};

} // namespace bench
