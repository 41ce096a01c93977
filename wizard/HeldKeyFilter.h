// Lets a held key act once. Under an X server a key held down repeats every ~40 ms after ~660 ms,
// and each repeat arrives as a release followed by a press that carry the same timestamp; Qt does
// not always flag such presses as repeats. A press (or its shortcut check) is taken as a repeat when
// it is flagged, or when it follows the release of the same key with the same nonzero timestamp.
// The repeat of a key that presses a button (Enter, Space on a button, Escape, a mnemonic with
// Alt) is dropped before any control sees it: one press, one button, so a held Enter moves the
// wizard one page and never reaches Finish, and a held Space deletes one pattern row. Other keys
// (arrows, typing) repeat as usual.
//
// It watches the whole application (installed on qApp) but acts only on the windows of `wizard`
// and on the boxes those open.
#pragma once

#include <QObject>
#include <QPointer>

class QKeyEvent;
class QWidget;

class HeldKeyFilter : public QObject {
    Q_OBJECT
public:
    explicit HeldKeyFilter(QWidget* wizard);
    ~HeldKeyFilter() override;

    // True when `event` (a key press or a shortcut check) repeats a key that is held down, judged
    // against the release seen last.
    bool IsRepeat(const QKeyEvent& event) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Concerns(const QObject* watched) const;
    static bool PressesAButton(const QKeyEvent& event);

    QPointer<QWidget> m_wizard;
    int m_releasedKey = 0;
    quint64 m_releaseTime = 0;
};
