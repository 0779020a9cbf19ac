#include <gtest/gtest.h>

#include "model/Model.h"
#include "model/StatusLog.h"
#include "platform/Version.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class StatusLogTest : public fixtures::ModelTest {};

TEST_F(StatusLogTest, MessagesGoToTheirPageAndTheStatusLine) {
    LogMessage("Loading");
    LogMessage("two\r\nlines");
    LogGeometry("faces");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Loading", "two\r\nlines"}));
    EXPECT_EQ(status.statusLine, "two\r\nlines");
    EXPECT_EQ(status.Lines(StatusPage::Geometry), (std::vector<std::string>{"faces"}));
    EXPECT_GE(status.pumps, 3);
    ClearMessagesPage();
    EXPECT_TRUE(Messages().empty());
}

TEST_F(StatusLogTest, BuildInfoIsARuleTheBuildAndABlank) {
    LogBuildInfo();
    const std::string version = GetVersionString();
    ASSERT_EQ(Messages().size(), 3u);
    EXPECT_EQ(Messages()[0], std::string(50, '='));
    EXPECT_EQ(Messages()[1], "Mirelan build " + version.substr(version.rfind('.') + 1));
    EXPECT_EQ(Messages()[2], " ");
}

TEST_F(StatusLogTest, DriverInfoListsEveryExtension) {
    GLVersionText = "2.1 Mesa";
    GLVendorText = "V";
    GLRendererText = "R";
    MaxGLLights = 8;
    MultitextureSupported = false;
    SeparateSpecularSupported = true;
    GLUVersionText = "1.3";
    GLExtensionsText = "GL_A GL_B,\"GL C\"";
    GLUExtensionsText = "";
    LogGLDriverInfo();
    const std::vector<std::string> expected{std::string(50, '='),
                                            "OpenGL (R) API Driver Information",
                                            "Version: 2.1 Mesa",
                                            "Vendor: V",
                                            "Renderer: R",
                                            "Max number of lights: 8",
                                            "No multitexturing support present (no reflections)",
                                            "Texture specular supported",
                                            std::string(50, '='),
                                            "OpenGL (R) API Utility Library (GLU)",
                                            "Version: 1.3",
                                            std::string(50, '='),
                                            "Available OpenGL (R) Extensions:",
                                            "  GL_A",
                                            "  GL_B",
                                            "  GL C",
                                            std::string(50, '='),
                                            "Available GLU Extensions:",
                                            "End"};
    EXPECT_EQ(status.Lines(StatusPage::GLInfo), expected);
    EXPECT_EQ(status.scrolledToTop, 1);
}

TEST_F(StatusLogTest, WaitDisablesThePagesAndEndsWithTheSceneCheck) {
    int checks = 0;
    Services s;
    s.checkScene = [&] { ++checks; };
    ScopedServices scope(s);
    BeginWait();
    EXPECT_TRUE(IsBusy());
    EXPECT_FALSE(status.pagesEnabled);
    EXPECT_TRUE(status.waitCursor);
    EXPECT_EQ(status.warningsLine, "Processing...");
    {
        WaitScope inner;  // a nested wait does not end the outer one
    }
    EXPECT_TRUE(IsBusy());
    EXPECT_EQ(checks, 0);
    ShowProgress(0, 10, 5);
    EndWait();
    EXPECT_FALSE(IsBusy());
    EXPECT_TRUE(status.pagesEnabled);
    EXPECT_FALSE(status.waitCursor);
    EXPECT_EQ(status.progress, 0);
    EXPECT_EQ(checks, 1);
}

// A scene check that fails as a wait ends, normally or while an error is on
// its way out, is a "<!>" line; the wait has ended.
TEST_F(StatusLogTest, ASceneCheckThatFailsAsAWaitEndsIsALine) {
    for (const bool outOfMemory : {true, false}) {
        Services s;
        s.status = &status;
        s.checkScene = [&] {
            if (outOfMemory) throw std::bad_alloc();
            throw std::runtime_error("index 7 out of range");
        };
        ScopedServices scope(s);
        EXPECT_THROW(
            {
                WaitScope wait;
                throw std::logic_error("the command failed");
            },
            std::logic_error);
        { WaitScope wait; }
        EXPECT_FALSE(IsBusy());
        EXPECT_EQ(status.statusLine, outOfMemory ? "<!>Not enough memory to check the scene"
                                                 : "<!>The scene could not be checked: index 7 out of range");
    }
}

TEST_F(StatusLogTest, ProgressWrapsAndClamps) {
    ResetProgress();
    ShowProgress(3, 3, 3.5);  // an empty range counts as 1
    EXPECT_EQ(GaugePosition(), 50);
    ShowProgress(0, 10, 25);  // 250 percent shows as 50
    EXPECT_EQ(GaugePosition(), 50);
    ShowProgress(0, 10, -4);
    EXPECT_EQ(GaugePosition(), 0);
    ShowProgress(0, 10, 10);
    EXPECT_EQ(GaugePosition(), 100);
    EXPECT_EQ(status.progress, 100);
    EXPECT_DOUBLE_EQ(StoredProgressPosition(), 10);
}

TEST_F(StatusLogTest, AdvanceProgressComesBackToZeroAfterTheLastStep) {
    ResetProgress();
    const int n = 7;
    for (int i = 1; i <= n; ++i) {
        AdvanceProgress(0, n, 1.0);
        if (i < n) {
            EXPECT_GT(GaugePosition(), 0);
        }
    }
    EXPECT_EQ(GaugePosition(), 0);
}

TEST_F(StatusLogTest, TheGaugeIsOnlyTouchedWhenItsPercentageChanges) {
    struct CountingStatus : MemoryStatus {
        int sets = 0;
        void SetProgress(int p) override {
            ++sets;
            MemoryStatus::SetProgress(p);
        }
    } counting;
    Services s;
    s.status = &counting;
    ScopedServices scope(s);
    ResetProgress();
    const int before = counting.sets;
    for (int i = 0; i < 100000; ++i) ShowProgress(0, 100000, i);
    EXPECT_LE(counting.sets - before, 101);
}

}  // namespace
