// The dispatcher: one entry for every command, errors end in a box, waits
// always end, and nothing runs while a long operation does.
#include <new>
#include <stdexcept>

#include "ControlFixtures.h"
#include "model/Errors.h"
#include "model/StatusLog.h"

namespace {

using DispatcherTest = ControlTest;

TEST_F(DispatcherTest, EveryPathEndsTheWaitAndRefreshesTheWindows) {
    int refreshes = 0;
    Commands().SetAfterCommand([&] { ++refreshes; });
    struct Case {
        const char* name;
        std::function<void()> handler;
        const char* box;  // the error box, "" for none
    };
    const Case cases[] = {
        {"Form1.Button1", [] { BeginWait(); }, ""},                                            // wait left open
        {"Form1.Button2", [] { BeginWait(); throw std::runtime_error("Disk full"); }, "Disk full"},
        {"Form1.Button3", [] { BeginWait(); BeginWait(); throw 42; }, "Unexpected error"},     // not an exception type
        {"Form1.Button4", [] {}, ""},
        {"Form1.Button5", [] { throw std::bad_alloc(); }, "not enough memory to finish the command"},
        {"Form1.Button6", [] { throw std::length_error("vector"); }, "not enough memory to finish the command"},
    };
    for (const Case& c : cases) {
        Commands().Add(c.name, c.handler);
        prompts.shown.clear();
        EXPECT_TRUE(Commands().Run(c.name)) << c.name;
        EXPECT_FALSE(IsBusy()) << c.name;
        if (*c.box) {
            ASSERT_EQ(prompts.shown.size(), 1u) << c.name;
            EXPECT_EQ(prompts.shown[0].kind, MessageKind::Error);
            EXPECT_EQ(prompts.shown[0].text, c.box);
        } else {
            EXPECT_TRUE(prompts.shown.empty()) << c.name;
        }
    }
    EXPECT_TRUE(Commands().Run("Form1.NoHandler"));  // the record changed; only the refresh runs
    EXPECT_EQ(refreshes, 7);
}

// Nothing after a command ends the program: not the scene check that ends
// the wait a failed command left open, nor the refresh of the windows.
TEST_F(DispatcherTest, NothingAfterACommandLetsAnErrorOut) {
    bool failRefresh = false;
    Commands().SetAfterCommand([&] {
        if (failRefresh) throw std::bad_alloc();
    });
    Services s;
    s.checkScene = [] { throw std::bad_alloc(); };
    const ScopedServices failingCheck(s);
    Commands().Add("Form1.Button1", [] {
        BeginWait();
        throw NoMemoryError("not enough memory to load lib.mtl");
    });
    Commands().Add("Form1.Button2", [] {});
    EXPECT_TRUE(Commands().Run("Form1.Button1"));
    failRefresh = true;
    EXPECT_TRUE(Commands().Run("Form1.Button2"));
    EXPECT_FALSE(IsBusy());
    std::vector<std::string> boxes;
    for (const auto& box : prompts.shown) boxes.push_back(box.text);
    EXPECT_EQ(boxes, (std::vector<std::string>{"not enough memory to load lib.mtl", std::string(NoMemoryForCommandText)}));
    const auto& log = status.Lines(StatusPage::Messages);
    EXPECT_NE(std::find(log.begin(), log.end(), "<!>Not enough memory to check the scene"), log.end());
}

TEST_F(DispatcherTest, ACommandIsRefusedWhileALongOperationRunsAndChainedHandlersShareTheCommand) {
    int runs = 0;
    Commands().Add("Form1.CheckBox3", [&] { ++runs; });
    BeginWait();
    EXPECT_FALSE(Commands().Run("Form1.CheckBox3"));
    EndWait();
    EXPECT_EQ(runs, 0);

    // A handler that calls another: the inner error ends the outer command.
    Commands().Add("Form2.CheckBox16", [] { throw std::runtime_error("inner"); });
    Commands().Add("Form1.CheckBox34", [&] {
        Commands().Call("Form2.CheckBox16");
        ++runs;
    });
    Commands().Run("Form1.CheckBox34");
    EXPECT_EQ(runs, 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "inner");
    Commands().Call("Form1.Unknown");  // no handler: nothing happens
}

}  // namespace
