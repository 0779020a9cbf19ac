#include <gtest/gtest.h>

#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "options/Options.h"
#include "ui/core/Startup.h"

namespace {

TEST(StartupTest, TheCoreStartsReadyAndEveryWaitEndsWithTheSceneCheck) {
    MemoryStatus status;
    Services s;
    s.status = &status;
    ScopedServices scope(s);
    Lights.resize(3);
    Form1.Edit47.text = "7";
    InitCore(42);
    EXPECT_TRUE(Lights.empty());
    EXPECT_EQ(Form1.Edit47.text, "1000");
    EXPECT_DOUBLE_EQ(Scene.extents.diagonal, 2.0);
    EXPECT_EQ(TriangleIndexTable[2000], 2000);
    status.warningsLine.clear();
    BeginWait();
    EndWait();
    EXPECT_FALSE(status.warningsLine.empty());
    EXPECT_NE(status.warningsLine, "Processing...");
}

}  // namespace
