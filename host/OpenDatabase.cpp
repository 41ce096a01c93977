#include "host/OpenDatabase.h"

#include "platform/automation/ComError.h"
#include "platform/dataaccess/BstrText.h"

bool OpenDatabase::Open(const QString& url, QString& error) {
    try {
        ThrowIfFailed(CreateConnection(m_connection.Put()));
        const BstrText text(url);
        ThrowIfFailed(m_connection->Open(text.Get(), nullptr, nullptr, -1));
    } catch (const ComError& e) {
        error = e.HasDescription() ? QString::fromStdU16String(e.Description())
                                   : QStringLiteral("error 0x%1").arg(uint32_t(e.Error()), 8, 16, QChar(u'0'));
        return false;
    }
    m_database.AttachConnection(m_connection.Get());
    m_previous = g_pDatabase;
    g_pDatabase = &m_database;
    return true;
}

OpenDatabase::~OpenDatabase() {
    if (g_pDatabase == &m_database) {
        m_database.DetachConnection();
        g_pDatabase = m_previous;
    }
    if (m_connection)
        m_connection->Close();
}
