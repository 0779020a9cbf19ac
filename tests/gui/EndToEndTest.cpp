// The program from end to end, as a user works it: a textured model chosen
// in the real open dialog, "Save && Render" with the maps copied and
// resized through the real export options dialog, and the INI file that
// POV-Ray was started on rendered by the installed POV-Ray; the rendered
// picture shows the model in the colour of its map.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "GuiFixtures.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Stream.h"
#include "platform/SystemShell.h"
#include "tests/fixtures/ScopedEnv.h"
#include "ui/qt/QtPrompts.h"

namespace {

namespace fs = std::filesystem;

// The real file dialogs; message boxes are answered Yes.
class DialogPrompts : public QtPrompts {
public:
    void Show(MessageKind, std::string_view) override {}
    Answer Ask(MessageKind, std::string_view, const std::vector<Answer>&) override { return Answer::Yes; }
};

// Runs `work` on the modal window named `name` (or of that class) once it
// is open; the command may let the windows repaint before it opens it.
void WhenOpen(const QString& name, std::function<void(QWidget&)> work) {
    QTimer::singleShot(1, [name, work] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && (modal->objectName() == name || QLatin1String(modal->metaObject()->className()) == name))
            work(*modal);
        else
            WhenOpen(name, work);
    });
}

class EndToEndTest : public GuiTest {
protected:
    // A square facing the camera with a green map, beside its MTL file.
    std::string WriteTexturedModel() {
        const fs::path models = dir / "models";
        fs::create_directories(models / "maps");
        gfx::Bitmap green(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) green.scanLine(y)[3 * x + 1] = 200;
        const std::vector<uint8_t> jpeg = gfx::encodeJpeg(green, 90);
        std::ofstream(models / "maps" / "grass.jpg", std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
        std::ofstream(models / "lawn.mtl") << "newmtl grass\nKd 1 1 1\nmap_Kd maps\\grass.jpg\n";
        std::ofstream(models / "lawn.obj") << "mtllib lawn.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
                                              "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl grass\nf 1/1 2/2 3/3 4/4\n";
        return (models / "lawn.obj").string();
    }
};

TEST_F(EndToEndTest, ATexturedModelLoadedSavedWithItsMapsAndRenderedByPovRay) {
    const std::string povray = FindProgram("povray");
    if (povray.empty()) GTEST_SKIP() << "povray is not installed";
    StartProgram();
    DialogPrompts boxes;
    Services onScreen;
    onScreen.prompts = &boxes;
    const ScopedServices dialogsOnScreen(onScreen);
    const std::string model = WriteTexturedModel();
    const fs::path out = dir / "out";
    fs::create_directories(out);

    // "3D Model..." of the Load menu: the file typed into the open dialog.
    WhenOpen(QStringLiteral("QFileDialog"), [&](QWidget& w) {
        auto* dialog = static_cast<QFileDialog*>(&w);
        // The model types of the filter, with the patterns as the dialog needs them.
        EXPECT_EQ(dialog->nameFilters().value(0),
                  QStringLiteral("3D model files (*.obj *.3ds *.lwo *.dxf *.raw *.pov *.inc *.wrl *.x3d *.gz)"));
        EXPECT_EQ(dialog->nameFilters().value(6), QStringLiteral("POV-Ray mesh include (*.pov *.inc)"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QString::fromStdString(model));
        QTest::keyClick(name, Qt::Key_Return);
    });
    qobject_cast<QAction*>(app->Bindings().FindObject("Form1.N3DModel1"))->trigger();
    ASSERT_EQ(SceneFaces.size(), 2u);
    EXPECT_EQ(app->Main().windowTitle(), QStringLiteral("Mirelan - lawn.obj"));
    // Enter in the history combo loads its file again, as "Load selected" does.
    auto* history = FindOne<QComboBox>("Form1", "ComboBox15");
    Form1.Edit2.text.clear();
    QTest::keyClick(history->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Form1.Edit2.text, "lawn_POV_scene.pov");
    EXPECT_EQ(history->count(), 1);

    // A small PNG render with this POV-Ray.
    Form1.Edit52.text = povray;
    Form1.Edit47.text = "80";
    Form1.Edit48.text = "60";
    Form1.ComboBox5.index = 1;
    Commands().Run("Form1.ComboBox5");
    Form2.Edit1.text = out.string();
    app->Bindings().RefreshAll();

    // "Save && Render": maps copied and resized in the export options.
    WhenOpen(QStringLiteral("Form2"), [&](QWidget&) {
        auto* copy = FindOne<QCheckBox>("Form2", "CheckBox16");
        QTest::mouseClick(copy, Qt::LeftButton, {}, QPoint(6, copy->height() / 2));
        auto* size = FindOne<QLineEdit>("Form2", "Edit45");
        size->selectAll();
        QTest::keyClicks(size, QStringLiteral("16"));
        FindOne<QPushButton>("Form2", "Button1")->click();
    });
    QTest::mouseClick(app->Bindings().Find("Form1.ToolButton18"), Qt::LeftButton);
    ASSERT_TRUE(Form2.CheckBox16.checked);
    gfx::FileStream copied((out / "lawn_grass.jpg").string());
    EXPECT_EQ(gfx::decodeJpeg(copied).width(), 16);  // resized into the output folder under its fixed name

    // POV-Ray was started on the INI file in the output folder; run it as
    // started, without its picture window.
    ASSERT_EQ(shell.requests.size(), 1u);
    const RecordingShell::Request& start = shell.requests[0];
    EXPECT_EQ(start.target + " " + start.folder, povray + " " + out.string());
    const std::vector<std::string>& args = start.arguments;
    ASSERT_EQ(args, (std::vector<std::string>{"lawn_POV_main.ini", "+KFI0", "+KFF0", "+SF0", "+EF0", "+Olawn.png", "+FN",
                                              "+P"}));
    const std::string command = "cd '" + start.folder + "' && povray '" + args[0] + "' -D >render.log 2>&1";
    {
        const fixtures::NoUserPovRaySettings settings(dir);
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    QImage picture(QString::fromStdString((out / "lawn.png").string()));
    ASSERT_EQ(picture.size(), QSize(80, 60));
    QDir().mkpath(QStringLiteral("artifacts"));  // kept for review
    picture.save(QStringLiteral("artifacts/EndToEndRender.png"));
    const QColor middle = picture.pixelColor(40, 30);
    EXPECT_GT(middle.green(), middle.red() + 40) << middle.name().toStdString();
    EXPECT_GT(middle.green(), middle.blue() + 40) << middle.name().toStdString();
    const QColor corner = picture.pixelColor(1, 1);  // the light grey background
    EXPECT_LT(std::abs(corner.red() - corner.green()), 16) << corner.name().toStdString();
}

}  // namespace
