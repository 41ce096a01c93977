#include "wizard/WizardResources.h"

#include "platform/ui/DialogTemplate.h"
#include "ui_Template101.h"
#include "ui_Template5000.h"
#include "ui_Template5001.h"
#include "ui_Template5002.h"
#include "ui_Template5003.h"
#include "wizard/ResourceIds.h"

#include <QDialog>

// The bitmaps live in this library's Qt resource; a static library must register it itself.
static void InitBitmapResource() {
    static const bool done = [] {
        Q_INIT_RESOURCE(tessel);
        return true;
    }();
    (void)done;
}

namespace {
template <class Form, class Widget> void Fill(Widget* dialog) {
    Form form;
    form.setupUi(dialog);
}
} // namespace

bool WizardResources::LoadTemplate(int templateId, QWidget* dialog) {
    switch (templateId) {
    case TemplateId::CellName:
        Fill<Ui::Template101>(dialog);
        break;
    case TemplateId::Host: {
        auto* host = qobject_cast<QDialog*>(dialog);
        if (!host)
            return false;
        Fill<Ui::Template5000>(host);
        break;
    }
    case TemplateId::CellPath:
        Fill<Ui::Template5001>(dialog);
        break;
    case TemplateId::SplitPatterns:
        Fill<Ui::Template5002>(dialog);
        break;
    case TemplateId::ResultTree:
        Fill<Ui::Template5003>(dialog);
        break;
    default:
        return false;
    }
    DialogTemplate::Finish(dialog);
    return true;
}

QImage WizardResources::LoadBitmap(int bitmapId) {
    InitBitmapResource();
    switch (bitmapId) {
    case BitmapId::LevelImages:
    case BitmapId::MenuArrow:
    case BitmapId::ResultLevels:
        return QImage(QStringLiteral(":/bitmaps/%1.png").arg(bitmapId));
    default:
        return {};
    }
}

QList<QPixmap> WizardResources::LoadImageList(int bitmapId, int imageWidth, QRgb maskColour) {
    const QImage strip = LoadBitmap(bitmapId).convertToFormat(QImage::Format_ARGB32);
    QList<QPixmap> images;
    if (strip.isNull() || imageWidth <= 0)
        return images;
    for (int x = 0; x + imageWidth <= strip.width(); x += imageWidth) {
        QImage image = strip.copy(x, 0, imageWidth, strip.height());
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int i = 0; i < image.width(); ++i)
                if ((line[i] & 0xFFFFFF) == (maskColour & 0xFFFFFF))
                    line[i] = qRgba(0, 0, 0, 0);
        }
        images << QPixmap::fromImage(image);
    }
    return images;
}
