// The status pages on Qt: lines handed over together read as the same lines
// handed over one by one, on a plain and on a rich text page.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextEdit>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "ui/control/Dispatcher.h"
#include "ui/qt/Binder.h"
#include "ui/qt/QtStatus.h"

namespace {

TEST(QtStatusTest, LinesTogetherReadAsLinesOneByOne) {
    Binder binder(Commands());
    std::vector<std::unique_ptr<QWidget>> owned;
    std::array<QWidget*, StatusPageCount> pages{};
    for (int i = 0; i < StatusPageCount; ++i) {
        if (i == static_cast<int>(StatusPage::GLInfo))
            owned.push_back(std::make_unique<QTextEdit>());
        else
            owned.push_back(std::make_unique<QPlainTextEdit>());
        pages[static_cast<std::size_t>(i)] = owned.back().get();
    }
    QtStatus status(binder, pages, nullptr);
    const std::vector<std::string> lines = {"first", "", "  Gr\xFCn", "last"};
    const QString expected = QString::fromUtf8("first\n\n  Gr\xC3\xBCn\nlast\nfirst\n\n  Gr\xC3\xBCn\nlast");
    const auto text = [&](StatusPage page) {
        QWidget* w = pages[static_cast<std::size_t>(page)];
        if (auto* rich = qobject_cast<QTextEdit*>(w)) return rich->toPlainText();
        return static_cast<QPlainTextEdit*>(w)->toPlainText();
    };
    for (StatusPage page : {StatusPage::GLInfo, StatusPage::Messages}) {
        status.AppendLines(page, lines);  // into an empty page, then after what it holds
        status.AppendLines(page, lines);
        EXPECT_EQ(status.PageLineCount(page), 8);
        EXPECT_EQ(text(page), expected);
        status.ClearPage(page);
        for (int round = 0; round < 2; ++round)
            for (const std::string& line : lines) status.AppendLine(page, line);
        EXPECT_EQ(text(page), expected);
    }
}

}  // namespace
