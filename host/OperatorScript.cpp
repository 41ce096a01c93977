#include "host/OperatorScript.h"
#include "host/OperatorScriptVerbs.h"

#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageBoxService.h"
#include "host/SyntheticInput.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <utility>

namespace {

constexpr int PollIntervalMs = 20;
constexpr int WizardWaitMs = 30000; // the wizard should be up well within this
constexpr int MenuWaitMs = 5000;

const QStringList& Verbs() {
    static const QStringList verbs = OperatorScriptVerbNames();
    return verbs;
}

// The verbs that name a control, and whether they take a number after it.
bool NamesControl(const QString& verb) {
    return verb != "key" && verb != "answer" && verb != "shot" && verb != "window";
}
bool TakesNumber(const QString& verb) {
    return verb == "select" || verb == "menu";
}

// The word of a `window` action: max, normal or WIDTHxHEIGHT (then put into `size`).
bool WindowSize(const QString& word, QSize* size) {
    if (word == u"max" || word == u"normal")
        return true;
    const QStringList parts = word.split(u'x');
    bool wide = false, high = false;
    const int width = parts.value(0).toInt(&wide);
    const int height = parts.value(1).toInt(&high);
    if (parts.size() != 2 || !wide || !high || width < 100 || height < 100)
        return false;
    if (size)
        *size = QSize(width, height);
    return true;
}

QString OneLine(QString text) {
    return text.replace(u'\r', QString())
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\t', QStringLiteral("\\t"));
}

QString AnswerName(int answer) {
    switch (answer) {
    case IDOK:
        return QStringLiteral("ok");
    case IDCANCEL:
        return QStringLiteral("cancel");
    case IDYES:
        return QStringLiteral("yes");
    case IDNO:
        return QStringLiteral("no");
    default:
        return QString::number(answer);
    }
}

bool AnswerFits(int answer, unsigned flags) {
    switch (flags & 0xF) {
    case MB_YESNO:
        return answer == IDYES || answer == IDNO;
    case MB_OKCANCEL:
        return answer == IDOK || answer == IDCANCEL;
    default:
        return answer == IDOK;
    }
}

// The model indexes of a view in display order: rows from the top, children after their parent.
void CollectRows(const QAbstractItemModel* model, const QModelIndex& parent, int column, bool recurse,
                 QList<QModelIndex>& out) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, column, parent);
        out << index;
        if (recurse)
            CollectRows(model, index, column, recurse, out);
    }
}

QList<QModelIndex> ViewRows(const QAbstractItemView* view) {
    QList<QModelIndex> rows;
    if (view->model())
        CollectRows(view->model(), view->rootIndex(), 0, qobject_cast<const QTreeView*>(view) != nullptr,
                    rows);
    return rows;
}

int Depth(QModelIndex index, const QModelIndex& root) {
    int depth = 0;
    while (index.parent().isValid() && index.parent() != root) {
        index = index.parent();
        ++depth;
    }
    return depth;
}

} // namespace

OperatorScript::OperatorScript() = default;

OperatorScript::~OperatorScript() {
    Stop();
}

void OperatorScript::SetOutput(std::function<void(const QString&)> out,
                               std::function<void(const QString&)> err) {
    m_out = std::move(out);
    m_err = std::move(err);
}

bool OperatorScript::Load(const QString& path, QString& error) {
    QFile file(path);
    const bool standardInput = path == u"-";
    const QString name = standardInput ? QStringLiteral("standard input") : path;
    if (!(standardInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly))) {
        error = QStringLiteral("%1: cannot read the script: %2").arg(name, file.errorString());
        return false;
    }
    return Parse(QString::fromUtf8(file.readAll()), name, error);
}

bool OperatorScript::Parse(const QString& text, const QString& name, QString& error) {
    m_name = name;
    m_actions.clear();
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        const auto bad = [&](const QString& what) {
            error = QStringLiteral("%1:%2: %3").arg(name).arg(i + 1).arg(what);
            return false;
        };
        Action action;
        action.line = i + 1;
        // verb, then (for most verbs) a word; the text of `type` is the rest of the line as is.
        const QString body = line.mid(line.indexOf(trimmed.at(0)));
        const qsizetype verbEnd = body.indexOf(u' ');
        action.verb = verbEnd < 0 ? body : body.left(verbEnd);
        QString rest = verbEnd < 0 ? QString() : body.mid(verbEnd + 1);
        if (!Verbs().contains(action.verb))
            return bad(
                QStringLiteral("unknown action '%1' (actions: %2)").arg(action.verb, Verbs().join(u", ")));
        if (NamesControl(action.verb)) {
            const QString trimmedRest = rest.trimmed();
            const qsizetype idEnd = trimmedRest.indexOf(u' ');
            bool ok = false;
            action.id = (idEnd < 0 ? trimmedRest : trimmedRest.left(idEnd)).toInt(&ok);
            if (!ok)
                return bad(QStringLiteral("'%1' needs a control id").arg(action.verb));
            rest = rest.mid(rest.indexOf(trimmedRest) + (idEnd < 0 ? trimmedRest.size() : idEnd + 1));
            if (action.verb == "type") {
                action.text = rest;
            } else if (TakesNumber(action.verb)) {
                action.number = rest.trimmed().toInt(&ok);
                if (!ok || action.number < 0)
                    return bad(
                        QStringLiteral("'%1' needs a number from 0 after the control id").arg(action.verb));
            } else if (!rest.trimmed().isEmpty()) {
                return bad(QStringLiteral("'%1' takes only a control id").arg(action.verb));
            }
        } else {
            action.text = rest.trimmed();
            if (action.text.isEmpty())
                return bad(QStringLiteral("'%1' needs a word after it").arg(action.verb));
            if (action.verb == "answer") {
                action.text = action.text.toLower();
                if (!QStringList{"yes", "no", "ok", "cancel"}.contains(action.text))
                    return bad(QStringLiteral("answer yes, no, ok or cancel"));
            } else if (action.verb == "window") {
                if (!WindowSize(action.text, nullptr))
                    return bad(QStringLiteral("window max, normal or WIDTHxHEIGHT"));
            } else if (action.verb == "key") {
                const QString key = action.text.compare(u"Enter", Qt::CaseInsensitive) == 0
                                        ? QStringLiteral("Return")
                                        : action.text;
                const QKeySequence sequence = QKeySequence::fromString(key, QKeySequence::PortableText);
                if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown)
                    return bad(QStringLiteral("unknown key '%1'").arg(action.text));
            }
        }
        m_actions << action;
    }
    return true;
}

void OperatorScript::Start() {
    if (!m_responderInstalled) {
        MessageBoxService::SetResponder([this](const MessageBoxRequest& request) {
            return AnswerBox(request.caption, request.text, request.flags);
        });
        m_responderInstalled = true;
    }
    m_started = false;
    m_pollsLeft = WizardWaitMs / PollIntervalMs;
    m_poll = std::make_unique<QTimer>();
    m_poll->setInterval(PollIntervalMs);
    QObject::connect(m_poll.get(), &QTimer::timeout, [this] { Poll(); });
    m_poll->start();
}

void OperatorScript::Stop() {
    m_poll.reset();
    if (m_responderInstalled) {
        MessageBoxService::SetResponder({});
        m_responderInstalled = false;
    }
}

int OperatorScript::AnswerBox(const QString& caption, const QString& text, unsigned flags) {
    const int fallback = MessageBoxService::DefaultAnswer(flags);
    QString how;
    int answer = fallback;
    if (m_answers.isEmpty()) {
        how = QStringLiteral(" (default)");
    } else {
        const QString word = m_answers.takeFirst();
        const int wanted = word == "yes" ? IDYES : word == "no" ? IDNO : word == "cancel" ? IDCANCEL : IDOK;
        if (AnswerFits(wanted, flags))
            answer = wanted;
        else
            how = QStringLiteral(" (default; '%1' is not one of its buttons)").arg(word);
    }
    if (m_out)
        m_out(QStringLiteral("message box \"%1\": %2 -> %3%4")
                  .arg(caption, OneLine(text), AnswerName(answer), how));
    return answer;
}

void OperatorScript::Poll() {
    if (m_started)
        return;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && DialogTemplate::TemplateId(w) != 0) {
            m_wizard = w;
            break;
        }
    }
    if (!m_wizard) {
        if (--m_pollsLeft <= 0) {
            m_poll->stop();
            m_failed = true;
            if (m_err)
                m_err(QStringLiteral("%1: the wizard did not appear").arg(m_name));
        }
        return;
    }
    m_started = true;
    m_poll->stop();
    RunActions();
}

void OperatorScript::RunActions() {
    m_wizard->activateWindow();
    SyntheticInput::WaitFor([this] { return !m_wizard || m_wizard->isActiveWindow(); }, 2000);
    Settle();
    for (const Action& action : m_actions) {
        if (!m_wizard || !m_wizard->isVisible()) {
            Fail(action, QStringLiteral("the wizard has closed"));
            return;
        }
        if (!Run(action))
            return;
        Settle();
    }
    if (m_wizard && m_wizard->isVisible()) {
        if (m_err)
            m_err(QStringLiteral("%1: the script has ended with the wizard open: Cancel").arg(m_name));
        CancelWizard();
    }
}

bool OperatorScript::Fail(const Action& action, const QString& what) {
    m_failed = true;
    if (m_err)
        m_err(QStringLiteral("%1:%2: %3").arg(m_name).arg(action.line).arg(what));
    if (m_wizard && m_wizard->isVisible())
        CancelWizard();
    return false;
}

void OperatorScript::CancelWizard() {
    // The script's own end, not an operator's Cancel: no question about the rows typed.
    if (auto* dialog = qobject_cast<QDialog*>(m_wizard.data()))
        dialog->done(2);
    else
        m_wizard->close();
}

void OperatorScript::Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

QWidget* OperatorScript::CurrentPage() const {
    if (!m_wizard)
        return nullptr;
    for (QObject* child : m_wizard->children()) {
        auto* page = qobject_cast<QWidget*>(child);
        if (page && page->isVisible() && DialogTemplate::TemplateId(page) != 0)
            return page;
    }
    return nullptr;
}

QWidget* OperatorScript::FindControl(const Action& action) {
    QWidget* control = DialogTemplate::FindControl(CurrentPage(), action.id);
    if (!control)
        control = DialogTemplate::FindControl(m_wizard, action.id);
    if (!control)
        Fail(action,
             QStringLiteral("there is no control %1 on the current page or the wizard").arg(action.id));
    return control;
}

bool OperatorScript::Run(const Action& action) {
    if (action.verb == "answer") {
        m_answers << action.text;
        return true;
    }
    if (action.verb == "key")
        return Key(action);
    if (action.verb == "shot")
        return Shot(action);
    if (action.verb == "window")
        return Window(action);
    QWidget* control = FindControl(action);
    if (!control)
        return false;
    if (action.verb == "print")
        return Print(action, control);
    if (!control->isVisible())
        return Fail(action, QStringLiteral("control %1 is hidden").arg(action.id));
    if (action.verb == "type")
        return Type(action, control);
    if (action.verb == "click")
        return Click(action, control);
    if (action.verb == "select")
        return Select(action, control);
    return Menu(action, control);
}

bool OperatorScript::Type(const Action& action, QWidget* control) {
    QWidget* target = control;
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (!combo->isEditable())
            return Fail(action, QStringLiteral("combo box %1 takes no typing (use select)").arg(action.id));
        target = combo->lineEdit();
    }
    const bool takesText = qobject_cast<QLineEdit*>(target) || qobject_cast<QTextEdit*>(target) ||
                           qobject_cast<QPlainTextEdit*>(target);
    if (!takesText)
        return Fail(action, QStringLiteral("control %1 takes no text").arg(action.id));
    if (!target->isEnabled())
        return Fail(action, QStringLiteral("control %1 is disabled").arg(action.id));
    QWidget* typingTarget = target;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target))
        typingTarget = area->viewport();
    SyntheticInput::MouseClick(typingTarget, Qt::LeftButton); // into the control, as a person does
    Settle();
    SyntheticInput::KeySequence(target, QKeySequence::SelectAll);
    if (action.text.isEmpty()) {
        SyntheticInput::KeyClick(target, Qt::Key_Delete);
        return true;
    }
    // One commit for the whole text, as an input method commits a phrase. (A commit per character
    // would cost the whole text's layout again per character: 16,000 characters took 24 s.)
    QInputMethodEvent commit;
    commit.setCommitString(action.text);
    QCoreApplication::sendEvent(target, &commit);
    return true;
}

bool OperatorScript::Click(const Action& action, QWidget* control) {
    if (!control->isEnabled() && m_err)
        m_err(QStringLiteral("%1:%2: control %3 is disabled; the click does nothing")
                  .arg(m_name)
                  .arg(action.line)
                  .arg(action.id));
    SyntheticInput::MouseClick(control, Qt::LeftButton);
    return true;
}

bool OperatorScript::Key(const Action& action) {
    const QString name =
        action.text.compare(u"Enter", Qt::CaseInsensitive) == 0 ? QStringLiteral("Return") : action.text;
    const QKeyCombination key = QKeySequence::fromString(name, QKeySequence::PortableText)[0];
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != m_wizard)
        target = m_wizard;
    SyntheticInput::KeyClick(target, key.key(), key.keyboardModifiers());
    return true;
}

bool OperatorScript::Select(const Action& action, QWidget* control) {
    if (auto* view = qobject_cast<QAbstractItemView*>(control))
        return SelectInView(action, view);
    auto* combo = qobject_cast<QComboBox*>(control);
    if (!combo)
        return Fail(action,
                    QStringLiteral("control %1 is not a list, table, tree or combo box").arg(action.id));
    if (action.number >= combo->count())
        return Fail(action, QStringLiteral("combo box %1 has %2 items; there is no item %3")
                                .arg(action.id)
                                .arg(combo->count())
                                .arg(action.number));
    // Open the drop-down list, move to the item and press Enter, as with the keyboard.
    SyntheticInput::MouseClick(combo, Qt::LeftButton);
    Settle();
    if (!combo->view()->isVisible())
        combo->showPopup();
    Settle();
    QAbstractItemView* list = combo->view();
    list->setCurrentIndex(
        combo->model()->index(action.number, combo->modelColumn(), combo->rootModelIndex()));
    SyntheticInput::KeyClick(list, Qt::Key_Return);
    return true;
}

bool OperatorScript::SelectInView(const Action& action, QAbstractItemView* view) {
    const QList<QModelIndex> rows = ViewRows(view);
    if (action.number >= rows.size())
        return Fail(action, QStringLiteral("control %1 has %2 items; there is no item %3")
                                .arg(action.id)
                                .arg(rows.size())
                                .arg(action.number));
    const QModelIndex index = rows[action.number];
    view->scrollTo(index);
    Settle();
    QRect rect = view->visualRect(index);
    if (auto* tree = qobject_cast<QTreeView*>(view)) // the item's text, not its branch decoration
        rect.setLeft(qMax(rect.left(), tree->indentation() * (Depth(index, view->rootIndex()) + 1)));
    SyntheticInput::MouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    return true;
}

bool OperatorScript::Menu(const Action& action, QWidget* control) {
    // The menu may run its own event loop inside the click: a watcher chooses the item there.
    enum class Outcome { Waiting, Chosen, TooFew };
    Outcome outcome = Outcome::Waiting;
    int itemCount = 0;
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        watcher.stop();
        // Each item with the submenu that holds it (null in the menu itself): a submenu's items
        // count in its place, so every item of a long menu can be chosen.
        QList<std::pair<QAction*, QAction*>> items;
        for (QAction* item : menu->actions()) {
            if (item->isSeparator() || !item->isVisible())
                continue;
            if (QMenu* submenu = item->menu()) {
                for (QAction* subItem : submenu->actions())
                    if (!subItem->isSeparator() && subItem->isVisible())
                        items.append(std::make_pair(subItem, item));
                continue;
            }
            items.append(std::make_pair(item, static_cast<QAction*>(nullptr)));
        }
        itemCount = int(items.size());
        if (action.number >= itemCount) {
            outcome = Outcome::TooFew;
            menu->close();
            return;
        }
        outcome = Outcome::Chosen;
        const auto [item, holder] = items[action.number];
        if (holder) {
            menu->setActiveAction(holder);
            SyntheticInput::KeyClick(menu, Qt::Key_Right);
            holder->menu()->setActiveAction(item);
            SyntheticInput::KeyClick(holder->menu(), Qt::Key_Return);
        } else {
            menu->setActiveAction(item);
            SyntheticInput::KeyClick(menu, Qt::Key_Return);
        }
    });
    watcher.start();
    SyntheticInput::MouseClick(control, Qt::LeftButton);
    for (int waited = 0; outcome == Outcome::Waiting && waited < MenuWaitMs; waited += 10)
        SyntheticInput::Wait(10);
    watcher.stop();
    if (outcome == Outcome::Waiting)
        return Fail(action, QStringLiteral("control %1 opened no menu").arg(action.id));
    if (outcome == Outcome::TooFew)
        return Fail(action, QStringLiteral("the menu of %1 has %2 items; there is no item %3")
                                .arg(action.id)
                                .arg(itemCount)
                                .arg(action.number));
    return true;
}

bool OperatorScript::Window(const Action& action) {
    QSize size;
    WindowSize(action.text, &size);
    if (action.text == u"max") {
        if (!m_wizard->isMaximized())
            m_normalGeometry = m_wizard->geometry();
        m_wizard->showMaximized();
    } else if (action.text == u"normal") {
        m_wizard->showNormal();
        if (m_normalGeometry.isValid())
            m_wizard->setGeometry(m_normalGeometry);
    } else {
        m_wizard->resize(size);
    }
    // Without a window manager (offscreen, a bare X server) maximising is the platform's to do, or
    // not: the wizard is then given the screen's room itself.
    if (action.text == u"max" && m_wizard->screen() &&
        m_wizard->frameGeometry().size() != m_wizard->screen()->availableGeometry().size())
        m_wizard->setGeometry(m_wizard->screen()->availableGeometry());
    Settle();
    return true;
}

bool OperatorScript::Shot(const Action& action) {
    if (m_screenshotDirectory.isEmpty()) {
        if (m_err)
            m_err(QStringLiteral("%1:%2: no screenshot directory (--screenshots DIR): shot %3 skipped")
                      .arg(m_name)
                      .arg(action.line)
                      .arg(action.text));
        return true;
    }
    QDir().mkpath(m_screenshotDirectory);
    const QString path = QDir(m_screenshotDirectory).filePath(action.text + QStringLiteral(".png"));
    if (!m_wizard->grab().save(path))
        return Fail(action, QStringLiteral("cannot write %1").arg(path));
    return true;
}

bool OperatorScript::Print(const Action& action, QWidget* control) {
    QStringList lines;
    QString state = control->isEnabled() ? QString() : QStringLiteral(" (disabled)");
    if (control->isHidden())
        state += QStringLiteral(" (hidden)");
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        lines << edit->text();
    else if (auto* label = qobject_cast<QLabel*>(control))
        lines << label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        lines << button->text();
    else if (auto* text = qobject_cast<QTextEdit*>(control))
        lines << text->toPlainText();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        lines << plain->toPlainText();
    else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        lines << combo->currentText();
        for (int i = 0; i < combo->count(); ++i)
            lines << QStringLiteral("  %1").arg(combo->itemText(i));
    } else if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
        const QAbstractItemModel* model = view->model();
        lines << QStringLiteral("%1 items").arg(model ? ViewRows(view).size() : 0);
        if (model) {
            const bool tree = qobject_cast<QTreeView*>(view) != nullptr;
            for (const QModelIndex& index : ViewRows(view)) {
                QStringList cells;
                const int columns = tree ? 1 : model->columnCount(index.parent());
                for (int column = 0; column < columns; ++column)
                    cells << model->index(index.row(), column, index.parent()).data().toString();
                const QString indent(2 * (1 + (tree ? Depth(index, view->rootIndex()) : 0)), u' ');
                lines << indent + cells.join(u'\t');
            }
        }
    } else {
        lines << QString::fromLatin1(control->metaObject()->className());
    }
    if (m_out) {
        m_out(QStringLiteral("%1: %2%3").arg(action.id).arg(OneLine(lines.value(0)), state));
        for (qsizetype i = 1; i < lines.size(); ++i)
            m_out(lines[i]);
    }
    return true;
}
