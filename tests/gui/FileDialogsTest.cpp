// The toolkit's open, save and colour dialogs behind the prompts, worked by
// the test as a user would: the file-name box typed into, the file type
// chosen, the colour set, then OK or Cancel.
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "model/Services.h"
#include "ui/core/FileDialogs.h"
#include "ui/qt/QtPrompts.h"

namespace {

namespace fs = std::filesystem;

// Runs `work` on the modal dialog of type T once it is open.
template <class T>
void WhenOpen(std::function<void(T&)> work) {
    QTimer::singleShot(0, [work] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog) << "no dialog";
        work(*dialog);
    });
}

class FileDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(testing::TempDir()) / ("dialogs-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        for (const char* name : {"CAR.OBJ", "boat.obj", "notes.txt"}) std::ofstream(folder / name) << "x";
    }
    void TearDown() override { fs::remove_all(folder); }
    fs::path folder;
    QtPrompts prompts;
};

TEST_F(FileDialogsTest, OpenListsTheFilterAndReturnsTheChosenFiles) {
    FileDialogRequest request;
    request.filter = ModelFileFilter;
    request.filterIndex = 2;
    request.initialDir = folder.string();
    request.multiSelect = true;
    QStringList filters;
    WhenOpen<QFileDialog>([&](QFileDialog& d) {
        filters = d.nameFilters();
        EXPECT_EQ(d.selectedNameFilter(), QStringLiteral("Wavefront object files (*.obj)"));
        EXPECT_EQ(d.directory().absolutePath().toStdString(), folder.string());
        auto* name = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("\"CAR.OBJ\" \"boat.obj\""));
        QTest::keyClick(name, Qt::Key_Return);
    });
    std::vector<std::string> files;
    ASSERT_TRUE(prompts.OpenFiles(request, files));
    ASSERT_EQ(filters.size(), 9);
    EXPECT_EQ(filters[0],
              QStringLiteral("3D model files (*.obj *.3ds *.lwo *.dxf *.raw *.pov *.inc *.wrl *.x3d *.gz)"));
    EXPECT_EQ(filters[6], QStringLiteral("POV-Ray mesh include (*.pov *.inc)"));
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(fs::path(files[0]), folder / "CAR.OBJ");
    EXPECT_EQ(fs::path(files[1]), folder / "boat.obj");

    WhenOpen<QFileDialog>([](QFileDialog& d) { d.reject(); });
    EXPECT_FALSE(prompts.OpenFiles(request, files));
    EXPECT_TRUE(files.empty());
}

TEST_F(FileDialogsTest, SaveFollowsTheChosenTypeAndColourPickingEndsWithTheColour) {
    FileDialogRequest request;
    request.filter = "TARGA uncompressed image (*.tga)|*.TGA|JPEG image (*.jpg)|*.JPG";
    request.initialDir = folder.string();
    request.fileName = "preview.tga";
    request.onTypeChange = SaveDialog1TypeChange;
    WhenOpen<QFileDialog>([](QFileDialog& d) {
        auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_TRUE(types);
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);  // the user picks "JPEG image"
        auto* name = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        EXPECT_EQ(name->text(), QStringLiteral("preview.jpg"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    std::string fileName;
    ASSERT_TRUE(prompts.SaveFile(request, fileName));
    EXPECT_EQ(fs::path(fileName), folder / "preview.jpg");

    int32_t color = 0x00FF00;  // green
    WhenOpen<QColorDialog>([](QColorDialog& d) {
        EXPECT_EQ(d.currentColor(), QColor(0, 255, 0));
        d.setCurrentColor(QColor(10, 20, 30));
        d.accept();
    });
    ASSERT_TRUE(prompts.PickColor(color));
    EXPECT_EQ(color, 10 | (20 << 8) | (30 << 16));
    WhenOpen<QColorDialog>([](QColorDialog& d) { d.reject(); });
    EXPECT_FALSE(prompts.PickColor(color));
    EXPECT_EQ(color, 10 | (20 << 8) | (30 << 16));
}

}  // namespace
