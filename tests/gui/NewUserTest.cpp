// What a new user meets in the windows: a material edit the preview takes
// on a change of tab, names typed without a folder, preview sizes far beyond
// the screen, the small prompts' captions, the hidden "create menu", ".JPG"
// files, hints, swatch captions, the emptied lights panel and a probe whose
// picture cannot be made.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <fstream>
#include <functional>
#include <map>

#include "GuiFixtures.h"
#include "options/ControlTable.h"
#include "preview/GlView.h"
#include "ui/core/LoadDrivers.h"
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
    // Starts the program with the boxes model of the tests' data loaded
    // from a folder of this test, with a second map beside it.
    fs::path StartWithBoxes() {
        const fs::path models = dir / "models", data = fs::path(MIRELAN_TEXTURED_MODEL).parent_path();
        fs::create_directories(models);
        for (const char* f : {"boxes.obj", "boxes.mtl", "checker.png"}) fs::copy_file(data / f, models / f);
        QImage magenta(8, 8, QImage::Format_RGB32);
        magenta.fill(QColor(255, 0, 255));
        magenta.save(QString::fromStdString((models / "magenta.png").string()));
        StartProgram();
        BatchFiles = {(models / "boxes.obj").string()};
        EXPECT_TRUE(LoadSelectedModels());
        app->Bindings().RefreshAll();
        return models;
    }
    // The pixels of the preview's frame that are a strong magenta.
    int MagentaPixels() {
        const QImage f = app->Preview().glView1->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        const auto* p = reinterpret_cast<const QRgb*>(f.constBits());
        return static_cast<int>(std::count_if(p, p + f.width() * f.height(), [](QRgb c) {
            return qRed(c) > 100 && qBlue(c) > 100 && 2 * qGreen(c) + 20 < std::min(qRed(c), qBlue(c));
        }));
    }
};

TEST_F(NewUserTest, AMaterialEditReachesThePreviewOnATabChangeAndTypedNamesAreTheModelsFolders) {
    const fs::path models = StartWithBoxes();
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
    std::ofstream(model) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n#Mirelan Settings Block v1.1\n"
                            "#camera,35,FALSE,FALSE,-2.5,2.5,0,0,7.5,0,0,0,0,0,0,40000,40000\n#number_of_lights,0\n"
                            "#headlightintensity,1\n#background,0,0,\"\",0\n#placeholder_count,0\n#ground,FALSE,0\n"
                            "#groupflags,\"unnamed_group\",FALSE\n#end of Mirelan Settings Block\n";
    std::ofstream(poser) << "useCamera MAIN_CAMERA\ndimensions 40000 30000\ncamera MAIN_CAMERA\n{\nname MAIN_CAMERA\n}\n";
    StartProgram();
    TForm9& preview = app->Preview();
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"the edit",
         [&] {
             TypeInto(FindOne<QLineEdit>("Form1", "Edit87"), QStringLiteral("40000"));
             TypeInto(FindOne<QLineEdit>("Form1", "Edit110"), QStringLiteral("40000"));
             Click("Button34");
         }},
        {"an OBJ settings block", [&] { BatchFiles = {model}; EXPECT_TRUE(LoadSelectedModels()); }},
        {"a Poser camera", [&] { prompts.fileAnswers = {{poser}}; Commands().Run("Form1.BitBtn4"); }},
    };
    ShowTab(1);
    for (const auto& [what, ask] : cases) {
        SCOPED_TRACE(what);
        preview.SetClientSize(320, 240);
        ask();
        const QRect work = preview.screen()->availableGeometry();
        ASSERT_TRUE(QTest::qWaitFor([&] { return work.contains(preview.frameGeometry()); }));
        EXPECT_GT(preview.height(), 480);  // as large as the screen allows
        EXPECT_EQ(QSize(Form9.glView1.width, Form9.glView1.height), preview.size());
        EXPECT_FALSE(preview.glView1->grabFramebuffer().isNull());  // and it draws
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
    // The width a box has beyond its caption's text and a title bar's icon
    // and three buttons.
    const auto width = [&](const std::function<void()>& show) {
        int spare = -1;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box && QTest::qWaitForWindowExposed(box));
            spare = box->frameGeometry().width() - QFontMetrics(title).horizontalAdvance(box->windowTitle()) - 4 * 20;
            box->reject();
        });
        show();
        return spare;
    };
    EXPECT_GE(width([&] { real.Show(MessageKind::Warning, "x"); }), 0);
    EXPECT_GE(width([&] { real.Ask(MessageKind::Confirmation, "x", {Answer::Yes, Answer::No}); }), 0);
    std::string name = "Shape_1";
    EXPECT_GE(width([&] { real.Input("New Placeholder", "Enter Placeholder name:", name); }), 0);
}

TEST_F(NewUserTest, TheHiddenButtonJpgNamesHintsAndSwatchCaptions) {
    StartProgram();
    ShowTab(1);
    app->Main().resize(app->Main().width() + 40, app->Main().height());  // the tool bar laid out again
    EXPECT_FALSE(FindOne<QToolButton>("Form1", "ToolButton6")->isVisible());  // "create menu"
    // "Save Preview..." to a ".JPG" name asks for the quality.
    const std::string shot = (dir / "shot.JPG").string();
    prompts.fileAnswers = {{shot}};
    prompts.inputAnswers = {"70"};
    Click("ToolButton35");
    EXPECT_EQ(prompts.shown.back().text, "JPEG Quality: Enter image quality (1 to 100)");
    EXPECT_TRUE(fs::exists(shot));
    for (const ControlHint& h : ControlHints()) {
        const std::string name(h.name), form = name.substr(0, name.find('.'));
        const QWidget* w = form == name ? app->Window(name) : FindOne(form, name.substr(form.size() + 1));
        EXPECT_EQ(w ? w->toolTip().toStdString() : "(none)", h.hint) << name;
    }
    // Caption white on a swatch of luminance 0.5 or less.
    auto* swatch = FindOne<QLabel>("Form1", "Label148");
    const std::pair<int32_t, QColor> swatches[] = {
        {0x00FFFF, Qt::black}, {0x00DC00, Qt::black}, {0x0000FF, Qt::white}, {0xFF0000, Qt::white}};
    for (const auto& [color, caption] : swatches) {
        Form1.Label148.color = color;  // yellow, a bright green, red, blue
        app->Bindings().RefreshAll();
        EXPECT_EQ(swatch->palette().color(QPalette::WindowText), caption) << std::hex << color;
    }
}

TEST_F(NewUserTest, AnEmptiedLightsPanelAndAProbeWhosePictureCannotBeMade) {
    StartWithBoxes();
    ShowTab(1);
    // Once every light is deleted, the main window is as before the first.
    const auto values = [] {
        std::map<std::string, std::string> v;
        for (const ControlInfo& row : ControlTable())
            if (row.form == "Form1") v[row.QualifiedName()] = GetControlValue(row);
        return v;
    };
    const std::map<std::string, std::string> before = values();
    prompts.inputAccepts = true;
    Click("Button4");
    Click("Button4");
    TypeInto(FindOne<QLineEdit>("Form1", "Edit81"), QStringLiteral("40"));
    prompts.answers = {Answer::Yes};
    Click("Button29");  // "Delete all"
    const std::map<std::string, std::string> after = values();
    for (const auto& [name, value] : before) EXPECT_EQ(after.at(name), value) << name;

    // A probe wider than any picture may be: the one shown stays.
    const auto probe = [&](const char* name, int w, int h) {
        const std::string file = (dir / name).string();
        std::ofstream(file, std::ios::binary) << "PF\n" << w << " " << h << "\n-1.0\n"
                                              << std::string(static_cast<std::size_t>(w) * h * 12, '\x3f');
        return file;
    };
    ShowTab(4);
    const std::string room = probe("room.pfm", 16, 8);
    prompts.fileAnswers = {{room}};
    Click("Button40");
    auto* image = FindOne<QLabel>("Form1", "Image3");
    const qint64 shown = image->pixmap().cacheKey();
    prompts.fileAnswers = {{probe("wide.pfm", 65536, 1)}};
    Click("Button40");
    EXPECT_EQ(std::pair(Form1.Edit21.text, image->pixmap().cacheKey()), std::pair(room, shown));
}

}  // namespace
