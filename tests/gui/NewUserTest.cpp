// What a new user meets in the windows: a material edit that the preview
// takes on a change of tab, names typed without a folder that are the
// model's, a preview size far beyond the screen from an edit or a file,
// the small prompts' captions, the hidden "create menu", ".JPG" files,
// hints, swatch captions, the lights panel once emptied and a probe whose
// picture cannot be made.
#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <fstream>
#include <functional>

#include "GuiFixtures.h"
#include "model/StatusLog.h"
#include "options/ControlTable.h"
#include "preview/GlResources.h"
#include "preview/GlView.h"
#include "ui/core/LoadDrivers.h"
#include "ui/dialogs/StatusWindow.h"
#include "ui/qt/QtPrompts.h"

namespace fs = std::filesystem;

namespace {

class NewUserTest : public GuiTest {
protected:
    void ShowTab(int index) {
        QTabBar* bar = app->Main().Pages()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    void TypeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    void Click(const std::string& name) { QTest::mouseClick(FindOne<QAbstractButton>("Form1", name), Qt::LeftButton); }
    bool Logged(const QString& line) const {
        const auto* page = static_cast<QPlainTextEdit*>(app->Status().Pages()[static_cast<int>(StatusPage::Messages)]);
        return page->toPlainText().split(QLatin1Char('\n')).contains(line);
    }
    // The boxes model of the tests' data in a folder of this test, with a
    // second map beside it.
    fs::path CopyBoxes() {
        const fs::path models = dir / "models", data = fs::path(MIRELAN_TEXTURED_MODEL).parent_path();
        fs::create_directories(models);
        for (const char* f : {"boxes.obj", "boxes.mtl", "checker.png"}) fs::copy_file(data / f, models / f);
        QImage magenta(8, 8, QImage::Format_RGB32);
        magenta.fill(QColor(255, 0, 255));
        magenta.save(QString::fromStdString((models / "magenta.png").string()));
        return models;
    }
    // The frame the preview shows.
    QImage Frame() { return app->Preview().glView1->grabFramebuffer().convertToFormat(QImage::Format_RGB888); }
    int MagentaPixels() {
        const QImage frame = Frame();
        int n = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) {
                const QColor c = frame.pixelColor(x, y);
                n += c.red() > 100 && c.blue() > 100 && 2 * c.green() + 20 < std::min(c.red(), c.blue());
            }
        return n;
    }
};

TEST_F(NewUserTest, AMaterialEditReachesThePreviewOnATabChangeAndTypedNamesAreTheModelsFolders) {
    const fs::path models = CopyBoxes();
    StartProgram();
    BatchFiles = {(models / "boxes.obj").string()};
    ASSERT_TRUE(LoadSelectedModels());
    app->Bindings().RefreshAll();
    ASSERT_EQ(MagentaPixels(), 0);
    // The checkered material's map replaced by a name without a folder:
    // the map beside the model, not one in the folder the program started in.
    ShowTab(2);
    auto* box = FindOne<QComboBox>("Form1", "ComboBox3");
    TypeInto(box->lineEdit(), QStringLiteral("magenta.png"));
    ShowTab(1);  // no "Update": the change of tab takes the edit
    EXPECT_EQ(SceneMaterials.at(0).colorMap, (models / "magenta.png").string());
    EXPECT_EQ(SceneMaterials[0].changed, 0);
    EXPECT_GT(MagentaPixels(), 500);
    // A model named without a folder in the history is the one beside it.
    ShowTab(0);
    TypeInto(FindOne<QComboBox>("Form1", "ComboBox15")->lineEdit(), QStringLiteral("boxes.obj"));
    Click("Button71");
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(Scene.modelFile, (models / "boxes.obj").string());
}

// Run once more under a window manager, which frames the preview.
using PreviewSizeTest = NewUserTest;

TEST_F(PreviewSizeTest, A40000By40000PreviewFromTheEditAModelOrAPoserCameraFitsTheScreen) {
    const std::string model = (dir / "huge.obj").string(), poser = (dir / "huge.pz3").string();
    std::ofstream(model) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
                            "#Mirelan Settings Block v1.1\n"
                            "#camera,35,FALSE,FALSE,-2.5,2.5,0,0,7.5,0,0,0,0,0,0,40000,40000\n"
                            "#number_of_lights,0\n#headlightintensity,1\n#background,0,0,\"\",0\n"
                            "#placeholder_count,0\n#ground,FALSE,0\n#end of Mirelan Settings Block\n";
    std::ofstream(poser) << "useCamera MAIN_CAMERA\ndimensions 40000 30000\ncamera MAIN_CAMERA\n{\nname MAIN_CAMERA\n"
                            "focal F\nk 0 35\ntranslateX T\nk 0 1\ntranslateY T\nk 0 2\ntranslateZ T\nk 0 3\n"
                            "rotateX R\nk 0 4\nrotateY R\nk 0 5\nrotateZ R\nk 0 6\nscale S\nk 0 7\n}\n";
    StartProgram();
    TForm9& preview = app->Preview();
    const struct {
        const char* what;
        std::function<void()> ask;
    } cases[] = {
        {"the edit",
         [&] {
             TypeInto(FindOne<QLineEdit>("Form1", "Edit87"), QStringLiteral("40000"));
             TypeInto(FindOne<QLineEdit>("Form1", "Edit110"), QStringLiteral("40000"));
             Click("Button34");
         }},
        {"an OBJ settings block",
         [&] {
             BatchFiles = {model};
             ASSERT_TRUE(LoadSelectedModels());
         }},
        {"a Poser camera",
         [&] {
             prompts.fileAnswers = {{poser}};
             Commands().Run("Form1.BitBtn4");
         }},
    };
    ShowTab(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        preview.SetClientSize(320, 240);
        c.ask();
        const QRect work = preview.screen()->availableGeometry();
        ASSERT_TRUE(QTest::qWaitFor([&] { return work.contains(preview.frameGeometry()); }));
        EXPECT_GT(preview.width(), 240);
        EXPECT_EQ(QSize(Form9.glView1.width, Form9.glView1.height), preview.size());
        EXPECT_FALSE(Frame().isNull());  // and it draws
    }
    EXPECT_NEAR(preview.width() * 3, preview.height() * 4, 4);  // the camera's 4:3 kept
}

// Run once more under a window manager, whose title bars cut long captions.
using PromptCaptionTest = NewUserTest;

TEST_F(PromptCaptionTest, TheSmallPromptsAreWideEnoughForTheirCaptions) {
    StartProgram();
    QtPrompts real(&app->Main());
    QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    title.setBold(true);
    const auto width = [&](const std::function<void()>& show) {
        int shown = 0;
        QString caption;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box) return;
            ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
            shown = box->frameGeometry().width();
            caption = box->windowTitle();
            if (auto* dialog = qobject_cast<QDialog*>(box)) dialog->reject();
        });
        show();
        // The caption's text and a title bar's icon and three buttons.
        return shown - QFontMetrics(title).horizontalAdvance(caption) - 4 * 20;
    };
    EXPECT_GE(width([&] { real.Show(MessageKind::Warning, "x"); }), 0);
    EXPECT_GE(width([&] { real.Ask(MessageKind::Confirmation, "x", {Answer::Yes, Answer::No}); }), 0);
    std::string name = "Shape_1";
    EXPECT_GE(width([&] { real.Input("New Placeholder", "Enter Placeholder name:", name); }), 0);
}

TEST_F(NewUserTest, TheHiddenButtonJpgNamesHintsAndSwatchCaptions) {
    StartProgram();
    ShowTab(1);
    EXPECT_FALSE(FindOne<QToolButton>("Form1", "ToolButton6")->isVisible());  // "create menu"
    // "Save Preview..." to a ".JPG" name asks for the quality.
    const std::string shot = (dir / "shot.JPG").string();
    prompts.fileAnswers = {{shot}};
    prompts.inputAnswers = {"70"};
    Click("ToolButton35");
    EXPECT_EQ(prompts.shown.back().text, "JPEG Quality: Enter image quality (1 to 100)");
    EXPECT_TRUE(fs::exists(shot));
    for (const ControlHint& h : ControlHints()) {
        const std::string name(h.name);
        const std::size_t dot = name.find('.');
        QWidget* w = dot == std::string::npos ? app->Window(name) : FindOne(name.substr(0, dot), name.substr(dot + 1));
        ASSERT_TRUE(w) << name;
        EXPECT_EQ(w->toolTip().toStdString(), h.hint) << name;
    }
    // Caption white on a swatch of luminance 0.5 or less.
    auto* swatch = FindOne<QLabel>("Form1", "Label148");
    const std::pair<int32_t, QColor> swatches[] = {
        {0x00FFFF, Qt::black}, {0xFFFF00, Qt::black}, {0x800000, Qt::white}, {0x000000, Qt::white}};
    for (const auto& [color, caption] : swatches) {
        Form1.Label148.color = color;  // yellow, cyan, navy, black
        app->Bindings().RefreshAll();
        EXPECT_EQ(swatch->palette().color(QPalette::WindowText), caption) << std::hex << color;
    }
}

TEST_F(NewUserTest, AnEmptiedLightsPanelAndAProbeWhosePictureCannotBeMade) {
    const fs::path models = CopyBoxes();
    StartProgram();
    BatchFiles = {(models / "boxes.obj").string()};
    ASSERT_TRUE(LoadSelectedModels());
    ShowTab(1);
    prompts.inputAccepts = true;
    Click("Button4");
    Click("Button4");
    TypeInto(FindOne<QLineEdit>("Form1", "Edit81"), QStringLiteral("40"));
    prompts.answers = {Answer::Yes};
    Click("Button29");  // "Delete all"
    for (const char* name : {"ComboBox25", "Edit80", "Edit81", "Label150", "Edit62", "Edit37", "Edit53", "Edit69",
                             "Edit38", "Edit28", "Edit27", "UpDown1", "Edit30", "Edit3", "CheckBox6", "CheckBox14"}) {
        const ControlInfo& row = *FindControl("Form1", name);
        EXPECT_EQ(GetControlValue(row), row.kind == ControlKind::Edit ? std::string(row.text)
                                                                       : std::to_string(row.value))
            << name;
    }
    EXPECT_EQ(FindOne<QLineEdit>("Form1", "Edit80")->text(), QString());
    EXPECT_EQ(FindOne<QLineEdit>("Form1", "Edit81")->text(), QStringLiteral("100"));

    // A probe wider than any picture may be: the one shown stays.
    const auto write = [&](const char* name, int w, int h) {
        const std::string file = (dir / name).string();
        std::ofstream out(file, std::ios::binary);
        out << "PF\n" << w << " " << h << "\n-1.0\n";
        const std::vector<float> pixels(static_cast<std::size_t>(w) * h * 3, 0.5f);
        out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size() * 4));
        return file;
    };
    ShowTab(4);
    const std::string room = write("room.pfm", 16, 8), wide = write("wide.pfm", 65536, 1);
    prompts.fileAnswers = {{room}};
    Click("Button40");
    auto* image = FindOne<QLabel>("Form1", "Image3");
    const qint64 shown = image->pixmap().cacheKey();
    prompts.fileAnswers = {{wide}};
    Click("Button40");
    EXPECT_EQ(Form1.Edit21.text, room);
    EXPECT_EQ(image->pixmap().cacheKey(), shown);
    EXPECT_TRUE(Logged(QStringLiteral("<!>HDR image wide.pfm could not be loaded")));
    EXPECT_FALSE(Logged(QStringLiteral("HDR image wide.pfm loaded")));
}

}  // namespace
