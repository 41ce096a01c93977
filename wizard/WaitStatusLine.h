// A line on the wizard, left of its buttons, that says the database makes Finish wait (another
// operator's Finish holds it), for as long as the object lives. The line shows only while a wait
// lasts; the database layer tells when (dataaccess::DatabaseWait).
#pragma once

#include "platform/dataaccess/DatabaseWait.h"

#include <QLabel>
#include <QRect>

class QWidget;

class WaitStatusLine {
public:
    WaitStatusLine(QWidget* dialog, const QRect& place);
    ~WaitStatusLine();
    WaitStatusLine(const WaitStatusLine&) = delete;
    WaitStatusLine& operator=(const WaitStatusLine&) = delete;

    static constexpr const char* ObjectName = "waitStatusLine";

private:
    QLabel m_line;
    dataaccess::DatabaseWait::Observer m_previous;
};
