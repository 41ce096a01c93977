// The wizard's resources: the dialog templates 101 and 5000 to 5003 (resources/Template<id>.ui)
// and the bitmaps 5003, 5005 and 5007 (resources/bitmap<id>.png, built into the program).
//
// Templates and what each control is (ids as in the forms; labels without an id have id -1):
//   5000 the host (QDialog): QPushButton 3 "上一步(&B)", 4 "下一步(&N)", 2 "取消", hidden 1 "确定";
//        an etched line (QFrame).
//   101  cell name: QLabel "请输入小区名", QLineEdit 5000.
//   5001 cell path: QLabel "指定小区地址", QComboBox 5001 (editable drop-down; the page adds its
//        items with icon, indentation and data), QLineEdit 5002..5008 with the labels 市 区 镇 路
//        街 号 别名 (5002 and 5008 read-only, no tab stop).
//   5002 split patterns: QLabel 5025 (title), QListView 5008 (addresses; the page puts its own
//        model and drawing on it, or subclasses it), QTableWidget 5017 (patterns, rows selected
//        whole, single selection, no columns yet: the page inserts them), QLabel 5026 (count),
//        hidden QPushButton 5024, QPushButton 5022 "新建模式" and 5023 "删除模式", QLineEdit
//        5000..5004 under the labels 第一级..第五级, QPushButton 5011..5015 (menu buttons; the page
//        puts bitmap 5005 on them).
//   5003 result tree: QLabel "DP地址处理结果", QTreeWidget 5010 (one column, no header).
#pragma once

#include <QImage>
#include <QList>
#include <QPixmap>

class QWidget;

class WizardResources {
public:
    // Fills `dialog` with the controls of template `templateId` and places them for the
    // template's font (DialogTemplate::Finish). The host template 5000 needs a QDialog. False when
    // there is no such template (the dialog is left alone).
    static bool LoadTemplate(int templateId, QWidget* dialog);

    // Bitmap 5003, 5005 or 5007 as drawn; a null image for other ids.
    static QImage LoadBitmap(int bitmapId);
    // A bitmap strip cut into images `imageWidth` pixels wide, `maskColour` made transparent (the
    // image lists of the pages: 16 wide, white transparent).
    static QList<QPixmap> LoadImageList(int bitmapId, int imageWidth = 16,
                                        QRgb maskColour = qRgb(255, 255, 255));
};
