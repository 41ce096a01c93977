#include "database/BatchInserter.h"

#include <QSqlError>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

BatchInserter::BatchInserter(const QSqlDatabase& database, QString table, QStringList columns,
                             int rowsPerStatement)
    : m_database(database), m_table(std::move(table)), m_columns(std::move(columns)),
      m_rowsPerStatement(rowsPerStatement), m_fullBatch(database) {
    m_pending.reserve(m_rowsPerStatement * m_columns.size());
}

QString BatchInserter::InsertStatement(int rows) const {
    QString row = u"("_s;
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        row += i ? u",?"_s : u"?"_s;
    row += u')';
    QString statement = u"insert into %1 (%2) values "_s.arg(m_table, m_columns.join(u','));
    for (int i = 0; i < rows; ++i) {
        if (i)
            statement += u',';
        statement += row;
    }
    return statement;
}

void BatchInserter::Send(QSqlQuery& query, int rows) {
    for (qsizetype i = 0; i < m_pending.size(); ++i)
        query.bindValue(int(i), m_pending[i]);
    if (!query.exec())
        throw std::runtime_error(
            (u"cannot insert into %1: %2"_s.arg(m_table, query.lastError().text())).toStdString());
    m_rows += rows;
    m_pending.clear();
}

void BatchInserter::Add(std::initializer_list<QVariant> row) {
    if (qsizetype(row.size()) != m_columns.size())
        throw std::logic_error("row does not fit the columns");
    for (const QVariant& value : row)
        m_pending.append(value);
    if (m_pending.size() < m_rowsPerStatement * m_columns.size())
        return;
    if (!m_fullBatchPrepared) {
        if (!m_fullBatch.prepare(InsertStatement(m_rowsPerStatement)))
            throw std::runtime_error(m_fullBatch.lastError().text().toStdString());
        m_fullBatchPrepared = true;
    }
    Send(m_fullBatch, m_rowsPerStatement);
}

void BatchInserter::Flush() {
    if (m_pending.isEmpty())
        return;
    const int rows = int(m_pending.size() / m_columns.size());
    QSqlQuery rest(m_database);
    if (!rest.prepare(InsertStatement(rows)))
        throw std::runtime_error(rest.lastError().text().toStdString());
    Send(rest, rows);
}
