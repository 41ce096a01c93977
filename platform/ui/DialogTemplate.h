// Dialog templates on Qt Widgets: a template (a Qt Designer form) gives each control a numeric
// control id and a rectangle in dialog units; Finish places the controls in pixels for the
// dialog's font, and FindControl finds a control by its id, as a dialog's own control lookup does.
//
// Properties a template sets (dynamic properties of the form):
//   on the dialog:   "templateId" (int), "dialogSize" (QSize, dialog units; client size of a
//                    top-level dialog)
//   on each control: "controlId" (int, -1 for controls without one), "dialogRect" (QRect, dialog
//                    units: x, y, width, height)
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

class DialogTemplate {
public:
    static constexpr const char* ControlIdProperty = "controlId";
    static constexpr const char* TemplateIdProperty = "templateId";
    static constexpr const char* DialogRectProperty = "dialogRect";
    static constexpr const char* DialogSizeProperty = "dialogSize";
    static constexpr int NoControlId = -1;

    // Completes a dialog that a template has just filled: the template's font gets a CJK fallback
    // (so the texts render where the template's face is missing), every direct child with a
    // "dialogRect" is moved there in pixels, and a top-level dialog gets the fixed client size of
    // its "dialogSize".
    static void Finish(QWidget* dialog);

    // The template's font with the fallback faces appended.
    static QFont WithFallback(QFont font);
    // The dialog base units of a font: average character width and character height in pixels.
    static QSize BaseUnits(const QFont& font);
    // Dialog units to pixels: x and widths in quarters of the base width, y and heights in eighths
    // of the base height, rounded.
    static QRect ToPixels(const QRect& dialogUnits, QSize baseUnits);
    static QSize ToPixels(QSize dialogUnits, QSize baseUnits);

    // The template id of a dialog filled from a template, 0 otherwise.
    static int TemplateId(const QWidget* dialog);
    // The control id of a control, NoControlId when it has none.
    static int ControlId(const QWidget* control);
    // The direct child of the dialog with that control id, or null (controls of child dialogs are
    // not searched, as they belong to those dialogs).
    static QWidget* FindControl(const QWidget* dialog, int id);

    // Puts `replacement` where the template's control `placeholder` is (parent, geometry, control
    // id, object name, font, enabled and shown state, focus policy, tab and stacking order; for
    // buttons also text, icon, default flags; for line edits text and read-only state), then
    // deletes the placeholder. The replacement may be a member object of the dialog class.
    static void Replace(QWidget* placeholder, QWidget* replacement);
};
