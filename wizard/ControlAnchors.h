// How the controls of a dialog built from a template follow the dialog's size. The template places
// every control for one size; when the dialog grows (or shrinks), each edge of a control moves by a
// share of the growth: 0 keeps it where the template put it, 1 moves it with the dialog's right or
// bottom edge. A list that takes all the new room has {0, 0, 1, 1}; two lists side by side share it
// as {0, 0, 0.5, 1} and {0.5, 0, 1, 1}. A control given no anchors stays, unless it lies wholly below
// every control that grows downwards: then it moves down with the bottom edge.
#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

struct Anchors {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

class ControlAnchors {
public:
    // Takes the dialog's size and the place of each of its direct children now as the layout the
    // shares apply to; anchors given before stay.
    void Capture(QWidget* dialog);
    // The same for the controls given anchors only; the dialog's other children are left alone.
    void CaptureGiven(QWidget* dialog);
    bool Captured() const { return m_base.isValid(); }
    void Set(QWidget* control, Anchors anchors);
    // Places the controls for the dialog's size now.
    void Apply(QWidget* dialog) const;
    // A dialog narrower than its template keeps the template's places across (what lies beyond
    // its right edge is cut) instead of moving controls that follow the right edge onto the ones
    // that do not.
    void KeepTemplateWidth() { m_keepTemplateWidth = true; }

private:
    struct Entry {
        QPointer<QWidget> control;
        QRect base;
        Anchors anchors;
        bool given = false;
    };
    Entry& EntryFor(QWidget* control);

    QSize m_base;
    bool m_keepTemplateWidth = false;
    std::vector<Entry> m_entries;
};
