#include "wizard/ControlAnchors.h"

#include <algorithm>
#include <cmath>

ControlAnchors::Entry& ControlAnchors::EntryFor(QWidget* control) {
    for (Entry& entry : m_entries)
        if (entry.control == control)
            return entry;
    m_entries.push_back({control, control->geometry(), {}, false});
    return m_entries.back();
}

void ControlAnchors::Capture(QWidget* dialog) {
    m_base = dialog->size();
    for (QObject* child : dialog->children())
        if (auto* control = qobject_cast<QWidget*>(child); control && !control->isWindow())
            EntryFor(control).base = control->geometry();
}

void ControlAnchors::CaptureGiven(QWidget* dialog) {
    m_base = dialog->size();
    for (Entry& entry : m_entries)
        if (entry.control)
            entry.base = entry.control->geometry();
}

void ControlAnchors::Set(QWidget* control, Anchors anchors) {
    Entry& entry = EntryFor(control);
    entry.anchors = anchors;
    entry.given = true;
}

void ControlAnchors::Apply(QWidget* dialog) const {
    if (!Captured())
        return;
    const int dx = m_keepTemplateWidth ? std::max(0, dialog->width() - m_base.width())
                                       : dialog->width() - m_base.width();
    const int dy = dialog->height() - m_base.height();
    // The lowest edge of what grows downwards: controls below it go down with the bottom.
    int growingBottom = -1;
    for (const Entry& entry : m_entries)
        if (entry.given && entry.anchors.bottom > entry.anchors.top)
            growingBottom = std::max(growingBottom, entry.base.y() + entry.base.height());
    for (const Entry& entry : m_entries) {
        if (!entry.control)
            continue;
        Anchors anchors = entry.anchors;
        if (!entry.given && growingBottom >= 0 && entry.base.y() >= growingBottom)
            anchors = {0, 1, 0, 1};
        const auto moved = [](int edge, double share, int delta) { return edge + int(std::lround(share * delta)); };
        const int left = moved(entry.base.x(), anchors.left, dx);
        const int top = moved(entry.base.y(), anchors.top, dy);
        const int right = moved(entry.base.x() + entry.base.width(), anchors.right, dx);
        const int bottom = moved(entry.base.y() + entry.base.height(), anchors.bottom, dy);
        entry.control->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
    }
}
