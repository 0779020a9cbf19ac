// The viewer's history of places: pushes, moves back and forth, the limit.
#include <gtest/gtest.h>

#include "htmlviewer/HtmlHistory.h"

namespace {

THistoryEntry At(const char* file, int offset, TFileType type = TFileType::Html) {
    return {file, "", {0, offset}, type};
}

// The places compared by file, position and type (the title goes along).
bool Same(const std::optional<THistoryEntry>& e, const THistoryEntry& place) {
    return e && e->File == place.File && e->Position == place.Position && e->Type == place.Type;
}

TEST(HtmlHistoryTest, LinksPushPlacesAndBackAndForwardMoveBetweenThem) {
    THtmlHistory history(3);
    const THistoryEntry top = At("h.htm", 0), a = At("h.htm", 100), b = At("h.htm", 200), c = At("h.htm", 300),
                        d = At("h.htm", 400);
    history.Push(At("", 0), top);  // no document yet: nothing
    history.Push(top, top);        // the same place: nothing
    EXPECT_EQ(history.Count(), 0);
    EXPECT_TRUE(history.Push(top, At("h.htm", 0, TFileType::Text)));  // the same place as another type
    history.Clear();
    history.Push(top, a);
    history.Push(a, b);
    EXPECT_EQ(history.Count(), 3);  // b, a, top
    EXPECT_TRUE(Same(history.MoveTo(1, b), a));
    EXPECT_TRUE(Same(history.MoveTo(0, a), b));
    EXPECT_FALSE(history.MoveTo(0, b));  // already there
    EXPECT_FALSE(history.MoveTo(3, b));  // outside
    EXPECT_FALSE(history.MoveTo(-1, b));

    // A link followed after going back drops the newer entries; the oldest
    // beyond the limit goes.
    ASSERT_TRUE(history.MoveTo(2, b));
    history.Push(top, c);
    EXPECT_EQ(history.Count(), 2);  // c, top
    history.Push(c, d);
    history.Push(d, a);
    EXPECT_EQ(history.Count(), 3);  // a, d, c
    EXPECT_TRUE(Same(history.MoveTo(2, a), c));

    // A smaller limit clears; no limit keeps nothing.
    history.SetMaxCount(2);
    EXPECT_EQ(history.Count(), 0);
    history.SetMaxCount(0);
    EXPECT_FALSE(history.Push(top, a));
}

}  // namespace
