// Bulk loading for the host-side generator: rows of one table go in as multi-row insert statements
// with bound values, prepared once. (The system's own statements are never built this way; they
// are formatted texts, see SqlStatement.h.)
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <initializer_list>

class BatchInserter {
public:
    BatchInserter(const QSqlDatabase& database, QString table, QStringList columns,
                  int rowsPerStatement = 200);

    // Queues a row (values in column order; a null QVariant of the column's type is NULL) and sends a
    // full batch. Throws std::runtime_error with the database's message.
    void Add(std::initializer_list<QVariant> row);
    // Sends what is queued.
    void Flush();
    qint64 Rows() const { return m_rows; }

private:
    QString InsertStatement(int rows) const;
    void Send(QSqlQuery& query, int rows);

    QSqlDatabase m_database;
    QString m_table;
    QStringList m_columns;
    int m_rowsPerStatement;
    QVariantList m_pending;
    QSqlQuery m_fullBatch;
    bool m_fullBatchPrepared = false;
    qint64 m_rows = 0;
};
