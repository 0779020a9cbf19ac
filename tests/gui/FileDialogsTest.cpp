// The toolkit's save and colour dialogs behind the prompts, worked as a
// user works them: the file type chosen, the colour set, OK or Cancel. (The
// open dialog is worked by the end-to-end test.)
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QDir>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "model/Model.h"
#include "model/Services.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/LoadDrivers.h"
#include "ui/qt/QtPrompts.h"

namespace {

// Runs `work` on the modal dialog of type T once it is open.
template <class T>
void WhenOpen(std::function<void(T&)> work) {
    QTimer::singleShot(0, [work] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog) << "no dialog";
        work(*dialog);
    });
}

TEST(FileDialogsTest, SaveFollowsTheChosenTypeAndAColourIsPickedOrNot) {
    QtPrompts prompts;
    FileDialogRequest request;
    request.filter = "TARGA uncompressed image (*.tga)|*.TGA|JPEG image (*.jpg)|*.JPG";
    request.initialDir = testing::TempDir();
    request.fileName = "preview.tga";
    request.onTypeChange = SaveDialog1TypeChange;
    WhenOpen<QFileDialog>([](QFileDialog& d) {
        EXPECT_EQ(d.nameFilters(), (QStringList{"TARGA uncompressed image (*.tga)", "JPEG image (*.jpg)"}));
        auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);  // the user picks "JPEG image"
        auto* name = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        EXPECT_EQ(name->text(), QStringLiteral("preview.jpg"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    std::string fileName;
    ASSERT_TRUE(prompts.SaveFile(request, fileName));
    EXPECT_EQ(QFileInfo(QString::fromStdString(fileName)).fileName(), QStringLiteral("preview.jpg"));

    int32_t color = 0x00FF00;  // green, red in the low byte
    WhenOpen<QColorDialog>([](QColorDialog& d) {
        EXPECT_EQ(d.currentColor(), QColor(0, 255, 0));
        d.setCurrentColor(QColor(10, 20, 30));
        d.accept();
    });
    ASSERT_TRUE(prompts.PickColor(color));
    EXPECT_EQ(color, 10 | (20 << 8) | (30 << 16));
}

TEST(FileDialogsTest, ADialogWithoutAFolderOpensInTheFolderOfTheModelLoadedLast) {
    const QString models = QDir(QString::fromStdString(testing::TempDir())).filePath("dialog-models");
    QDir().mkpath(models);
    const std::string model = (models + "/box.obj").toStdString();
    std::ofstream(model) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    LoadModelFile(model);
    QtPrompts prompts;
    WhenOpen<QFileDialog>([&](QFileDialog& d) {
        EXPECT_EQ(d.directory().absolutePath(), models);
        d.reject();
    });
    std::vector<std::string> files;
    EXPECT_FALSE(prompts.OpenFiles(FileDialogRequest{}, files));
    ClearModel();
    QDir(models).removeRecursively();
}

}  // namespace
