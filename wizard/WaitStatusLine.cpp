#include "wizard/WaitStatusLine.h"

#include <QWidget>

WaitStatusLine::WaitStatusLine(QWidget* dialog, const QRect& place) : m_line(dialog) {
    m_line.setObjectName(QString::fromLatin1(ObjectName));
    m_line.setGeometry(place);
    m_line.setText(QStringLiteral("正在等待其他用户写完数据库……"));
    m_line.hide();
    // Called from inside the database call: the line is painted at once, without the event loop
    // (which could run another statement on the same connection).
    m_previous = dataaccess::DatabaseWait::SetObserver([this](bool waiting) {
        m_line.setVisible(waiting);
        if (QWidget* window = m_line.window())
            window->repaint();
        if (m_previous) // the host's own observer, if it has one
            m_previous(waiting);
    });
}

WaitStatusLine::~WaitStatusLine() {
    dataaccess::DatabaseWait::SetObserver(std::move(m_previous));
}
