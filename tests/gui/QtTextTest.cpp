// Byte strings shown in widgets: UTF-8 when valid, else cp1252, and handed
// back in the encoding they came in.
#include <gtest/gtest.h>

#include "ui/qt/QtText.h"

namespace {

TEST(QtTextTest, TextsKeepTheirEncodingThroughAWidget) {
    const struct {
        const char* bytes;     // as the record holds it
        const char* shown;     // UTF-8 of what the widget shows
        const char* typed;     // UTF-8 of the widget's text after an edit
        const char* back;      // the bytes handed back
    } cases[] = {
        {"Gr\xC3\xBCn", "Gr\xC3\xBCn", "Gr\xC3\xBCne", "Gr\xC3\xBCne"},         // UTF-8 stays UTF-8
        {"Gr\xFCn", "Gr\xC3\xBCn", "Gr\xC3\xBCne", "Gr\xFCne"},                 // cp1252 stays cp1252
        {"\x80 5", "\xE2\x82\xAC 5", "\xE2\x82\xAC 6", "\x80 6"},               // the euro sign
        {"\x81", "\xC2\x81", "\xC2\x81", "\x81"},                               // a byte cp1252 leaves alone
        {"Gr\xFCn", "Gr\xC3\xBCn", "\xE6\x97\xA5", "\xE6\x97\xA5"},             // beyond cp1252: UTF-8
        {"", "", "a", "a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToQ(c.bytes), QString::fromUtf8(c.shown)) << c.bytes;
        EXPECT_EQ(FromQ(QString::fromUtf8(c.typed), c.bytes), c.back) << c.bytes;
    }
    EXPECT_EQ(LabelText("Faces, vertices && normals"), QStringLiteral("Faces, vertices & normals"));
    EXPECT_EQ(Caption("Save && Render"), QStringLiteral("Save && Render"));  // the button shows one "&"
}

}  // namespace
