#include "platform/ui/DialogTemplate.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QVariant>
#include <QWidget>

namespace {
// Faces tried after the template's own, so Chinese texts render on machines without it.
const QStringList& FallbackFamilies() {
    static const QStringList families{QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                                      QStringLiteral("Noto Sans CJK SC")};
    return families;
}

int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}
} // namespace

QFont DialogTemplate::WithFallback(QFont font) {
    QStringList families = font.families();
    if (families.isEmpty())
        families << font.family();
    for (const QString& family : FallbackFamilies())
        if (!families.contains(family))
            families << family;
    font.setFamilies(families);
    return font;
}

QSize DialogTemplate::BaseUnits(const QFont& font) {
    // The average width of the 52 Latin letters, rounded, and the character height.
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((letters / 26 + 1) / 2, metrics.height());
}

QRect DialogTemplate::ToPixels(const QRect& dialogUnits, QSize baseUnits) {
    return QRect(MulDiv(dialogUnits.x(), baseUnits.width(), 4),
                 MulDiv(dialogUnits.y(), baseUnits.height(), 8),
                 MulDiv(dialogUnits.width(), baseUnits.width(), 4),
                 MulDiv(dialogUnits.height(), baseUnits.height(), 8));
}

QSize DialogTemplate::ToPixels(QSize dialogUnits, QSize baseUnits) {
    return ToPixels(QRect(QPoint(0, 0), dialogUnits), baseUnits).size();
}

void DialogTemplate::Finish(QWidget* dialog) {
    dialog->setFont(WithFallback(dialog->font()));
    const QSize base = BaseUnits(dialog->font());
    for (QObject* child : dialog->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (!control)
            continue;
        const QVariant rect = control->property(DialogRectProperty);
        if (rect.canConvert<QRect>())
            control->setGeometry(ToPixels(rect.toRect(), base));
    }
    const QVariant size = dialog->property(DialogSizeProperty);
    if (dialog->isWindow() && size.canConvert<QSize>())
        dialog->setFixedSize(ToPixels(size.toSize(), base));
}

int DialogTemplate::TemplateId(const QWidget* dialog) {
    const QVariant id = dialog ? dialog->property(TemplateIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : 0;
}

int DialogTemplate::ControlId(const QWidget* control) {
    const QVariant id = control ? control->property(ControlIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : NoControlId;
}

QWidget* DialogTemplate::FindControl(const QWidget* dialog, int id) {
    if (!dialog || id == NoControlId)
        return nullptr;
    for (QObject* child : dialog->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control && ControlId(control) == id)
            return control;
    }
    return nullptr;
}

void DialogTemplate::Replace(QWidget* placeholder, QWidget* replacement) {
    QWidget* dialog = placeholder->parentWidget();
    replacement->setParent(dialog);
    replacement->setObjectName(placeholder->objectName());
    replacement->setProperty(ControlIdProperty, placeholder->property(ControlIdProperty));
    replacement->setProperty(DialogRectProperty, placeholder->property(DialogRectProperty));
    if (placeholder->testAttribute(Qt::WA_SetFont))
        replacement->setFont(placeholder->font());
    replacement->setGeometry(placeholder->geometry());
    replacement->setEnabled(placeholder->isEnabled());
    replacement->setFocusPolicy(placeholder->focusPolicy());
    replacement->setToolTip(placeholder->toolTip());
    replacement->setAccessibleName(placeholder->accessibleName());
    if (auto* from = qobject_cast<QAbstractButton*>(placeholder)) {
        if (auto* to = qobject_cast<QAbstractButton*>(replacement)) {
            to->setText(from->text());
            to->setIcon(from->icon());
            to->setCheckable(from->isCheckable());
        }
    }
    if (auto* from = qobject_cast<QPushButton*>(placeholder)) {
        if (auto* to = qobject_cast<QPushButton*>(replacement)) {
            to->setAutoDefault(from->autoDefault());
            to->setDefault(from->isDefault());
        }
    }
    if (auto* from = qobject_cast<QLineEdit*>(placeholder)) {
        if (auto* to = qobject_cast<QLineEdit*>(replacement)) {
            to->setText(from->text());
            to->setReadOnly(from->isReadOnly());
        }
    }
    // Same place in the tab order and the stacking order.
    QWidget::setTabOrder(placeholder, replacement);
    replacement->stackUnder(placeholder);
    replacement->setVisible(!placeholder->isHidden());
    delete placeholder;
}
