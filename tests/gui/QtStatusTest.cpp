// The status pages on Qt: lines handed over together read as the same lines
// handed over one by one, on a plain and on a rich text page.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextEdit>
#include <array>
#include <string>
#include <vector>

#include "ui/control/Dispatcher.h"
#include "ui/qt/Binder.h"
#include "ui/qt/QtStatus.h"

namespace {

TEST(QtStatusTest, LinesTogetherReadAsLinesOneByOne) {
    Binder binder(Commands());
    QTextEdit rich;
    QPlainTextEdit plain;
    std::array<QWidget*, StatusPageCount> pages{};
    pages[static_cast<std::size_t>(StatusPage::GLInfo)] = &rich;
    pages[static_cast<std::size_t>(StatusPage::Messages)] = &plain;
    QtStatus status(binder, pages, nullptr);
    const std::vector<std::string> lines = {"first", "", "  Gr\xFCn", "last"};
    const QString expected = QString::fromUtf8("first\n\n  Gr\xC3\xBCn\nlast\nfirst\n\n  Gr\xC3\xBCn\nlast");
    for (StatusPage page : {StatusPage::GLInfo, StatusPage::Messages}) {
        const auto shown = [&] { return pages[static_cast<std::size_t>(page)]->property("plainText").toString(); };
        status.AppendLines(page, lines);  // into an empty page, then after what it holds
        status.AppendLines(page, lines);
        EXPECT_EQ(status.PageLineCount(page), 8);
        EXPECT_EQ(shown(), expected);
        status.ClearPage(page);
        for (int round = 0; round < 2; ++round)
            for (const std::string& line : lines) status.AppendLine(page, line);
        EXPECT_EQ(shown(), expected);
    }
}

}  // namespace
