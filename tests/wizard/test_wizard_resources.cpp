// The dialog templates and bitmaps: every control the pages rely on is there with its id, class and
// text, placed from dialog units for the dialog's font; the bitmaps have their sizes and their white
// is transparent in the image lists.
#include "platform/ui/DialogTemplate.h"
#include "wizard/WizardResources.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTableWidget>
#include <QTreeWidget>

namespace {

struct Expected {
    int templateId;
    int controlId;
    const char* className;
    const char16_t* text; // null: not checked
};

const Expected kControls[] = {
    {5000, 3, "QPushButton", u"上一步(&B)"},
    {5000, 4, "QPushButton", u"下一步(&N)"},
    {5000, 2, "QPushButton", u"取消"},
    {5000, 1, "QPushButton", u"确定"},
    {101, 5000, "QLineEdit", nullptr},
    {5001, 5001, "QComboBox", nullptr},
    {5001, 5002, "QLineEdit", nullptr},
    {5001, 5005, "QLineEdit", nullptr},
    {5001, 5008, "QLineEdit", nullptr},
    {5002, 5025, "QLabel", u"指定DP地址拆分模式"},
    {5002, 5008, "QListView", nullptr},
    {5002, 5017, "QTableWidget", nullptr},
    {5002, 5026, "QLabel", u""},
    {5002, 5024, "QPushButton", u"刷新列表"},
    {5002, 5022, "QPushButton", u"新建模式"},
    {5002, 5023, "QPushButton", u"删除模式"},
    {5002, 5000, "QLineEdit", nullptr},
    {5002, 5004, "QLineEdit", nullptr},
    {5002, 5011, "QPushButton", u">>"},
    {5002, 5012, "QPushButton", u"0"},
    {5002, 5015, "QPushButton", u">>"},
    {5002, 5027, "QPushButton", u"建议模式"},
    {5002, 5028, "QLabel", u""},
    {5002, 5029, "QCheckBox", u"只显示未匹配地址"},
    {5002, 5030, "QTableWidget", nullptr},
    {5002, 5031, "QLabel", u"各级名称："},
    {5002, 5032, "QLineEdit", nullptr},
    {5003, 5010, "QTreeWidget", nullptr},
};

QString TextOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    return {};
}

QStringList StaticTexts(QWidget* dialog) {
    QStringList texts;
    for (QLabel* label : dialog->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (DialogTemplate::ControlId(label) == DialogTemplate::NoControlId)
            texts << label->text();
    return texts;
}

TEST(WizardResourcesTest, TemplatesHoldTheControlsThePagesUse) {
    for (const Expected& e : kControls) {
        SCOPED_TRACE(testing::Message() << e.templateId << "/" << e.controlId);
        QDialog dialog;
        ASSERT_TRUE(WizardResources::LoadTemplate(e.templateId, &dialog));
        EXPECT_EQ(DialogTemplate::TemplateId(&dialog), e.templateId);
        QWidget* control = DialogTemplate::FindControl(&dialog, e.controlId);
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), e.className);
        if (e.text) {
            EXPECT_EQ(TextOf(control), QString::fromUtf16(e.text));
        }
    }
    QWidget other;
    EXPECT_FALSE(WizardResources::LoadTemplate(4242, &other));
}

TEST(WizardResourcesTest, StaticTextsAndControlStates) {
    QWidget page101, page5001, page5002, page5003;
    WizardResources::LoadTemplate(101, &page101);
    WizardResources::LoadTemplate(5001, &page5001);
    WizardResources::LoadTemplate(5002, &page5002);
    WizardResources::LoadTemplate(5003, &page5003);
    EXPECT_EQ(StaticTexts(&page101), QStringList{QStringLiteral("请输入小区名")});
    EXPECT_EQ(StaticTexts(&page5001),
              QStringList({"指定小区地址", "市", "区", "镇", "路", "街", "号", "别名"}));
    EXPECT_EQ(StaticTexts(&page5002), QStringList({"第一级", "第二级", "第三级", "第四级", "第五级"}));
    EXPECT_EQ(StaticTexts(&page5003), QStringList{QStringLiteral("DP地址处理结果")});

    for (int id : {5002, 5008}) {
        auto* edit = qobject_cast<QLineEdit*>(DialogTemplate::FindControl(&page5001, id));
        EXPECT_TRUE(edit->isReadOnly());
        EXPECT_FALSE(edit->focusPolicy() & Qt::TabFocus);
    }
    EXPECT_FALSE(qobject_cast<QLineEdit*>(DialogTemplate::FindControl(&page5001, 5003))->isReadOnly());
    EXPECT_TRUE(DialogTemplate::FindControl(&page5002, 5024)->isHidden());
    EXPECT_FALSE(DialogTemplate::FindControl(&page5002, 5022)->isHidden());
}

TEST(WizardResourcesTest, ControlsArePlacedInDialogUnitsOfTheDialogFont) {
    QDialog host;
    WizardResources::LoadTemplate(5000, &host);
    const QSize base = DialogTemplate::BaseUnits(host.font());
    ASSERT_GT(base.width(), 0);
    EXPECT_EQ(host.size(), DialogTemplate::ToPixels(QSize(366, 269), base));
    EXPECT_EQ(DialogTemplate::FindControl(&host, 3)->geometry(),
              DialogTemplate::ToPixels(QRect(174, 241, 50, 14), base));
    EXPECT_EQ(DialogTemplate::ToPixels(QRect(4, 8, 50, 14), QSize(7, 15)), QRect(7, 15, 88, 26));
    EXPECT_EQ(host.windowTitle(), QStringLiteral("内部地址分解工具"));
}

TEST(WizardResourcesTest, BitmapsAndImageLists) {
    EXPECT_EQ(WizardResources::LoadBitmap(5003).size(), QSize(7 * 16, 16));
    EXPECT_EQ(WizardResources::LoadBitmap(5007).size(), QSize(6 * 16, 16));
    const QImage chevron = WizardResources::LoadBitmap(5005);
    ASSERT_EQ(chevron.size(), QSize(8, 5));
    EXPECT_EQ(chevron.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(chevron.pixel(1, 0), qRgb(192, 192, 192));
    EXPECT_TRUE(WizardResources::LoadBitmap(1).isNull());

    const QList<QPixmap> levels = WizardResources::LoadImageList(5003);
    ASSERT_EQ(levels.size(), 7);
    const QList<QPixmap> inner = WizardResources::LoadImageList(5007);
    ASSERT_EQ(inner.size(), 6);
    for (const QPixmap& image : levels + inner) {
        EXPECT_EQ(image.size(), QSize(16, 16));
        const QImage pixels = image.toImage();
        int transparent = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                EXPECT_NE(pixels.pixel(x, y), qRgb(255, 255, 255));
                transparent += qAlpha(pixels.pixel(x, y)) == 0;
            }
        EXPECT_GT(transparent, 0);
        EXPECT_LT(transparent, 256);
    }
}

} // namespace

// A page is as wide as the wizard's frame (DlgRun places it there), and a page template may be
// larger than the frame: what lies outside is cut off. Every control an operator uses must lie
// inside.
TEST(WizardResourcesTest, EveryShownControlOfAPageLiesInsideTheWizardsFrame) {
    QDialog host;
    WizardResources::LoadTemplate(5000, &host);
    const QRect pageArea(0, 0, host.width(), host.height() - 60);
    for (int templateId : {101, 5001, 5002, 5003}) {
        QWidget page;
        ASSERT_TRUE(WizardResources::LoadTemplate(templateId, &page));
        for (QWidget* control : page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control->isHidden())
                continue;
            EXPECT_TRUE(pageArea.contains(control->geometry()))
                << "template " << templateId << ", control " << control->property("controlId").toInt() << " at "
                << control->geometry().x() << "," << control->geometry().y() << " " << control->width() << "x"
                << control->height() << " outside " << pageArea.width() << "x" << pageArea.height();
        }
    }
}
