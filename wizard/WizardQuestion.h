// The wizard's questions to the operator, and the one rule for the titles of its boxes: a question
// (Yes or No) is titled "提示", as the cell-name page's question is; a box that only informs or
// reports an error carries the application's title (MessageBoxService::ApplicationTitle).
#pragma once

#include <QString>

class QWidget;

// Asks `question` with Yes and No through the message-box service; true for Yes. `flags` adds an
// icon, and MB_DEFBUTTON2 where No must be what Enter gives (the answer that loses nothing).
bool AskYesNo(QWidget* owner, const QString& question, unsigned flags = 0);
QString QuestionTitle();
