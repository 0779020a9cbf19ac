// Whole frames of a model that takes every path of the display lists (maps,
// corners without normals or UVs, transparency, a reflection, hidden groups,
// deselected materials, lines), in every draw mode with the vertex normals
// shown and hidden, compared pixel for pixel with the frames kept in
// tests/data/preview (drawn by Mesa's software driver). A frame that differs
// is saved beside the test's temporary files for a look. The same for a
// generated model drawn by the end-to-end driver.
// With MIRELAN_RECORD_FRAMES set, the frames are written there instead.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "options/Options.h"
#include "preview/PreviewFrame.h"
#include "tests/fixtures/E2ERun.h"
#include "tests/fixtures/ObjModels.h"
#include "tests/fixtures/ScratchFolder.h"
#include "tests/preview/PreviewTestSupport.h"

namespace {

using namespace previewtest;

const std::filesystem::path Folder = std::filesystem::path(MIRELAN_TEST_DATA) / "preview";

class PreviewPicturesTest : public PreviewTest {
protected:
    void TearDown() override {
        const GLScope gl;
        for (GLuint t : textures_) glDeleteTextures(1, &t);
        BackgroundTexture = 0;
        PreviewTest::TearDown();
    }

    // A texture of 8 x 8 texels in the preview's share group: `even` and
    // `odd` colours in a checker pattern, or a gradient when they are equal.
    int32_t Texture(uint32_t even, uint32_t odd) {
        std::vector<uint32_t> texels(64);
        for (int i = 0; i < 64; ++i)
            texels[i] = even == odd ? 0xFF000000u | static_cast<uint32_t>(i * 4) << 8 | static_cast<uint32_t>(255 - i * 4)
                                    : ((i / 8 + i % 8) % 2 ? odd : even);
        const GLScope gl;
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 8, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        textures_.push_back(name);
        return static_cast<int32_t>(name);
    }

    // Moves the vertices from the 1-based `first` on.
    static void Shift(int32_t first, double dx, double dy, double dz) {
        for (std::size_t i = static_cast<std::size_t>(first - 1); i < SceneVertices.size(); ++i)
            SceneVertices[i].p = {SceneVertices[i].p.x + dx, SceneVertices[i].p.y + dy, SceneVertices[i].p.z + dz};
    }
    static int32_t NextVertex() { return static_cast<int32_t>(SceneVertices.size()) + 1; }

    void BuildModel() {
        // 0: a mapped sphere with a normal and a UV at every corner.
        const int32_t sphere = NextVertex();
        const int firstFace = fixtures::AddSphere(10, 16, 1.0, 0, 0);
        for (std::size_t i = static_cast<std::size_t>(sphere - 1); i < SceneVertices.size(); ++i) {
            const tvector& p = SceneVertices[i].p;
            fixtures::AddNormal(p.x, p.y, p.z);
            fixtures::AddUV(0.5 + 0.5 * p.x, 0.5 + 0.5 * p.y);
        }
        for (std::size_t f = static_cast<std::size_t>(firstFace); f < SceneFaces.size(); ++f)
            for (int c = 0; c < 3; ++c) SceneFaces[f].normal[c] = SceneFaces[f].uv[c] = SceneFaces[f].vertex[c];
        // 1: a red cube of face normals without UVs.
        fixtures::AddCube(1.2, {2.4, 0, 0}, 0, 1);
        // 2: a transparent green cube, a normal at the first corner of each face.
        const int first = fixtures::AddCube(1.2, {-2.4, 0, 0}, 0, 2);
        const int32_t side = fixtures::AddNormal(0.6, 0.0, 0.8);
        for (std::size_t f = static_cast<std::size_t>(first); f < SceneFaces.size(); ++f) SceneFaces[f].normal[0] = side;
        // 3: a reflective, mapped grid above.
        int32_t v = NextVertex();
        fixtures::AddGrid(3, 3, 0.5, 0, 3);
        Shift(v, -0.75, 1.6, -0.75);
        // A cube in a hidden group, one of a deselected material, a line.
        fixtures::AddCube(1.0, {0, -2.2, 0}, 1, 0);
        fixtures::AddCube(1.0, {0, 0, 2.0}, 0, 4);
        v = NextVertex();
        fixtures::AddPolyline(4, 0.8, 0, 1);
        Shift(v, -1.2, -1.4, 0.5);

        SceneGroups[1].visible = 0;
        SceneMaterials[4].selected = 0;
        tmaterial& mapped = SceneMaterials[0];
        mapped.diffuse = {1, 0.8, 0.6};
        mapped.blend = 0.5;
        mapped.colorMap = "checker.png";
        mapped.glTexture = Texture(0xFFFFFFFFu, 0xFF2040C0u);
        SceneMaterials[1].diffuse = {1, 0, 0};
        SceneMaterials[1].shininess = 0.2f;
        SceneMaterials[2].diffuse = {0.1, 0.9, 0.2};
        SceneMaterials[2].transparency = 0.5;
        SceneMaterials[3].diffuse = {0.9, 0.9, 0.2};
        SceneMaterials[3].reflection = 0.6;
        SceneMaterials[3].glTexture = mapped.glTexture;
        SceneMaterials[3].colorMap = "checker.png";
        BackgroundTexture = Texture(0, 0);
        Form1.CheckBox55.checked = true;  // "Show lines"
        Form1.CheckBox27.checked = true;  // "Reflections"
        Form1.Label170.color = 0x00FFFF;  // yellow lines
    }

    // Compares the frame with the one kept under `name`, or keeps it.
    void Check(const QImage& frame, const std::string& name) {
        const QImage actual = frame.convertToFormat(QImage::Format_RGB888);
        const std::string file = (Folder / (name + ".png")).string();
        if (std::getenv("MIRELAN_RECORD_FRAMES")) {
            std::filesystem::create_directories(Folder);
            ASSERT_TRUE(actual.save(QString::fromStdString(file))) << file;
            return;
        }
        const QImage expected = QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB888);
        ASSERT_FALSE(expected.isNull()) << file;
        ASSERT_EQ(actual.size(), expected.size()) << name;
        int differing = 0;
        for (int y = 0; y < actual.height(); ++y)
            for (int x = 0; x < actual.width(); ++x) differing += actual.pixel(x, y) != expected.pixel(x, y);
        if (differing > 0) {
            const std::string saved = testing::TempDir() + "/" + name + ".png";
            actual.save(QString::fromStdString(saved));
            ADD_FAILURE() << name << ": " << differing << " pixels differ; the frame is in " << saved;
        }
    }

private:
    std::vector<GLuint> textures_;
};

// The same frames whether the faces are kept in buffer objects or in the
// one display list.
TEST_F(PreviewPicturesTest, EveryDrawModeWithAndWithoutNormalsDrawsTheKeptFrames) {
    ASSERT_TRUE(MultitextureSupported);
    ASSERT_TRUE(BufferObjectsSupported);
    BuildModel();
    const char* const modes[] = {"filled", "line", "points", "hiddenline", "boxwire", "boxsolid", "outline"};
    std::vector<int32_t> colours;
    for (bool buffers : {true, false}) {
        SCOPED_TRACE(buffers ? "buffer objects" : "one display list");
        UseBufferObjects = buffers;
        Form1.ComboBox4.index = DrawFilled;
        Form1.CheckBox4.checked = Form1.CheckBox27.checked = true;
        Prepare();
        // The same random group colours both times.
        if (colours.empty())
            for (const tgroup& g : SceneGroups) colours.push_back(g.color);
        for (std::size_t g = 0; g < SceneGroups.size(); ++g) SceneGroups[g].color = colours[g];
        Form1.Edit19.text = "30";  // turned, to show the depth
        ApplyCameraEdits();
        for (bool normals : {false, true}) {
            Form1.CheckBox35.checked = normals;
            for (int mode = DrawFilled; mode <= DrawOutline; ++mode) {
                Form1.ComboBox4.index = mode;
                Check(Frame(), std::string(modes[mode]) + (normals ? "_normals" : ""));
            }
        }
        // No maps, no reflections: the lists made again.
        Form1.ComboBox4.index = DrawFilled;
        Form1.CheckBox4.checked = false;
        Form1.CheckBox27.checked = false;
        BuildPreviewLists();
        Check(Frame(), "filled_twosided_plain");
        // The antialiased frame of "Save Preview...", offscreen.
        Form1.CheckBox35.checked = true;
        Form1.ComboBox4.index = DrawHiddenLine;
        Scene.savingPreview = 1;
        QImage image;
        std::string error;
        ASSERT_TRUE(RenderPreviewImage(FrameWidth, FrameHeight, image, error)) << error;
        Scene.savingPreview = 0;
        Check(image, "hiddenline_normals_antialiased");
    }
    UseBufferObjects = true;
}

// The whole way of a model file: loaded, processed and drawn by the
// end-to-end driver, in the filled and the wireframe mode.
TEST_F(PreviewPicturesTest, TheDriverDrawsTheKeptFramesOfAGeneratedSphere) {
    const std::filesystem::path folder = fixtures::MakeScratchFolder("pictures");
    const std::string model = (folder / "sphere.obj").string(), picture = (folder / "sphere.png").string();
    ASSERT_GT(fixtures::WriteSphereObj(model, 40, 20), 0u);
    for (const char* mode : {"0", "3"}) {
        const fixtures::E2ERun run = fixtures::RunE2E(
            MIRELAN_E2E_BINARY, {"--set", std::string("Form1.ComboBox4=") + mode, "--preview", "160", "120", picture, model},
            folder.string());
        ASSERT_EQ(run.status, 0) << run.err;
        Check(QImage(QString::fromStdString(picture)), std::string("driver_sphere_mode") + mode);
    }
    fixtures::RemoveScratchFolder(folder);
}

}  // namespace
