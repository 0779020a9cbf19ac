// The camera panel: the option records and the view state of the scene
// record kept consistent in both directions.
#include <gtest/gtest.h>

#include <cmath>

#include "model/Model.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "preview/CameraPanel.h"
#include "tests/fixtures/Fixtures.h"

namespace {

// A preview of a fixed size that records what the panel asks of it.
class RecordingPreview : public WindowHooks {
public:
    void PreviewClientSize(int32_t& w, int32_t& h) override {
        w = width;
        h = height;
    }
    void SetPreviewClientSize(int32_t w, int32_t h) override {
        width = w;
        height = h;
        ++resizes;
    }
    void Draw() override { ++draws; }
    int32_t width = 640, height = 480;
    int resizes = 0, draws = 0;
};

class CameraPanelTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        Services s;
        s.window = &preview;
        scoped_ = std::make_unique<ScopedServices>(s);
    }
    void TearDown() override {
        scoped_.reset();
        ModelTest::TearDown();
        ResetOptionsToDefaults();
    }
    static double Value(const tedit& e) { return TextToFloat(e.text); }
    // The pan, distance, roll, pitch and yaw boxes as one text.
    static std::string Boxes() {
        std::string s;
        for (const tedit* e : {&Form1.Edit15, &Form1.Edit16, &Form1.Edit17, &Form1.Edit18, &Form1.Edit20, &Form1.Edit19})
            s += (s.empty() ? "" : " ") + e->text;
        return s;
    }

    RecordingPreview preview;

private:
    std::unique_ptr<ScopedServices> scoped_;
};

TEST_F(CameraPanelTest, ZoomIsTheHorizontalAngleOfTheVerticalFieldOfView) {
    struct Case {
        int32_t width, height;
        double zoom, fov;
    };
    // 20 degrees across a 4:3 preview is about 15.07 degrees up and down.
    const Case cases[] = {{640, 480, 20, 15.0668}, {480, 640, 20, 26.4602}, {300, 300, 35, 35}, {640, 480, 90, 73.7398}};
    for (const Case& c : cases) {
        preview.width = c.width;
        preview.height = c.height;
        Form1.Edit14.text = FloatToText(c.zoom);
        ApplyCameraEdits();
        EXPECT_NEAR(Scene.fieldOfView, c.fov, 1e-3) << c.width << "x" << c.height << " zoom " << c.zoom;
        RefreshCameraPanel();
        EXPECT_NEAR(Value(Form1.Edit14), c.zoom, 1e-4);
    }
}

TEST_F(CameraPanelTest, RotationAnglesGoIntoTheOrientationAndComeBack) {
    const double angles[][3] = {{10, -25, 45}, {0, 30, 0}, {-60, 10, -120}, {5, 5, 5}};
    for (const auto& a : angles) {
        Form1.Edit18.text = FloatToText(a[0]);  // roll
        Form1.Edit20.text = FloatToText(a[1]);  // pitch
        Form1.Edit19.text = FloatToText(a[2]);  // yaw
        ApplyCameraEdits();
        RefreshCameraPanel();
        EXPECT_NEAR(Value(Form1.Edit18), a[0], 1e-3);
        EXPECT_NEAR(Value(Form1.Edit20), a[1], 1e-3);
        EXPECT_NEAR(Value(Form1.Edit19), a[2], 1e-3);
    }
    // No rotation at all leaves the base orientation itself, and the
    // axis-angle form follows the orientation.
    Scene.viewOrientation2 = QuatFromAxisAngle({0, 1, 0}, 0.5);
    Form1.Edit18.text = Form1.Edit19.text = Form1.Edit20.text = "0";
    ApplyCameraEdits();
    EXPECT_NEAR(Scene.viewOrientation.w, Scene.viewOrientation2.w, 1e-12);
    EXPECT_NEAR(Scene.viewOrientation.y, Scene.viewOrientation2.y, 1e-12);
    EXPECT_NEAR(Scene.viewRotationAngle, 0.5, 1e-9);
    EXPECT_NEAR(Scene.viewRotationAxis.y, 1, 1e-9);
}

TEST_F(CameraPanelTest, ResetPutsTheCameraBeforeTheModel) {
    Scene.extents.center = {1, 2, 3};
    Scene.extents.diagonal = 4;
    Form1.CheckBox9.checked = Form1.CheckBox25.checked = true;
    ResetCamera();
    EXPECT_NEAR(Value(Form1.Edit14), 2 * std::atan(std::tan(12.5 * DegToRad) * 640 / 480) * RadToDeg, 1e-4);
    EXPECT_FALSE(Form1.CheckBox9.checked);
    EXPECT_FALSE(Form1.CheckBox25.checked);
    EXPECT_EQ(Form1.Edit34.text, "-1.0");
    EXPECT_EQ(Form1.Edit35.text, "1.0");
    EXPECT_EQ(Scene.translation, (tvector{1, 2, 3}));
    EXPECT_EQ(Scene.cameraLocation, (tvector{0, 0, 8}));
    EXPECT_EQ(Boxes(), "1 2 11 0 -25 45");
    EXPECT_EQ(Scene.activeCameraName, "MirelanCAMERA");
    // Applied, the boxes give a 25 degree vertical view.
    ApplyCameraEdits();
    EXPECT_NEAR(Scene.fieldOfView, 25, 1e-4);
}

TEST_F(CameraPanelTest, RecenterKeepsTheDistanceAndDropsThePan) {
    Scene.extents.center = {1, 1, 1};
    Scene.translation = {0, 0, 0};
    Scene.cameraLocation = {1, 2, 8};
    Scene.activeCameraName = "Poser camera";
    RecenterCamera();
    EXPECT_EQ(Scene.translation, (tvector{1, 1, 1}));
    EXPECT_EQ(Scene.cameraLocation, (tvector{0, 0, 8}));
    EXPECT_EQ(Boxes().substr(0, 5), "1 1 9");
    EXPECT_EQ(Scene.activeCameraName, "MirelanCAMERA");
}

TEST_F(CameraPanelTest, PresetFillsThePanelAndAppliesOnlyOnTheCameraTab) {
    tcamera c{.noPerspective = 1, .zoom = 30, .useFocalBlur = 1, .focusBack = -2, .focusFront = 3, .panH = 1,
              .panV = 2, .distance = 9, .pitch = -10, .yaw = 20, .roll = 5, .name = "Preset", .translation = {0.5, 0, 0},
              .previewWidth = 800, .previewHeight = 600};
    Cameras.push_back(c);
    c.previewWidth = 0;  // a camera without a preview size keeps the preview's
    Cameras.push_back(c);

    Form1.PageControl1.active = 0;
    const double fovBefore = Scene.fieldOfView;
    SelectCameraPreset(0);
    EXPECT_EQ((std::pair{preview.width, preview.height}), (std::pair{800, 600}));
    EXPECT_TRUE(Form1.CheckBox9.checked);
    EXPECT_TRUE(Form1.CheckBox25.checked);
    EXPECT_EQ(Form1.Edit14.text, "30");
    EXPECT_EQ(Form1.Edit34.text, "-2");
    EXPECT_EQ(Form1.Edit35.text, "3");
    EXPECT_EQ(Boxes(), "1 2 9 5 -10 20");
    EXPECT_EQ(Scene.translation, (tvector{0.5, 0, 0}));
    EXPECT_EQ(Scene.fieldOfView, fovBefore);
    EXPECT_EQ(preview.draws, 0);

    Form1.PageControl1.active = 1;
    SelectCameraPreset(1);
    EXPECT_EQ(preview.resizes, 1);
    EXPECT_EQ(preview.draws, 1);
    EXPECT_EQ(Scene.orthographic, 1);
    EXPECT_EQ(Scene.cameraLocation, (tvector{0.5, 2, 9}));

    Form1.Edit14.text = "unchanged";
    for (int32_t bad : {-1, 2}) SelectCameraPreset(bad);
    EXPECT_EQ(Form1.Edit14.text, "unchanged");
}

}  // namespace
