// The stand-ins for Word's own windows: the pre-check that refuses a run
// while Word is visible and asks invisible Word windows to close, and
// showing Word's main window maximised.
#include <gtest/gtest.h>

#include "engine/WordStandIns.h"

using namespace tessaly;

namespace {

// A desktop of named windows: (title, visible); the first may be Word's main window.
struct FakeWindows : WindowSystem {
    std::vector<std::pair<std::u16string, bool>> list;
    bool wordRunning = true;
    bool zoomed = false;
    std::vector<std::u16string> closed, shown;
    Handle findWindowOfClass(const std::u16string& c) override { return c == u"OpusApp" && wordRunning ? 1 : 0; }
    std::vector<Handle> topLevelWindows() override {
        std::vector<Handle> h;
        for (size_t i = 0; i < list.size(); ++i) h.push_back(Handle(i + 1));
        return h;
    }
    bool isVisible(Handle w) override { return list.at(size_t(w - 1)).second; }
    bool isZoomed(Handle) override { return zoomed; }
    void showMinimised(Handle) override { shown.push_back(u"min"); }
    void showMaximised(Handle) override { shown.push_back(u"max"); }
    std::u16string title(Handle w) override { return list.at(size_t(w - 1)).first; }
    void postClose(Handle w) override { closed.push_back(title(w)); }
};

}  // namespace

TEST(WindowUtilities, VisibleWordWindowAndInvisibleOnesAskedToClose) {
    FakeWindows w;
    w.list = {{u"文書1 - Word", false}, {u"メモ帳", true},
              {u"Word Viewer", true}, {u"古い - Word", false}};
    EXPECT_TRUE(FindVisibleWordWindow(w));
    EXPECT_EQ(w.closed, (std::vector<std::u16string>{u"文書1 - Word"}));  // only those before the visible one
    w.list[2].second = false;
    w.closed.clear();
    EXPECT_FALSE(FindVisibleWordWindow(w));
    EXPECT_EQ(w.closed.size(), 3u);
    w.list = {{u"word in lower case", true}};
    EXPECT_FALSE(FindVisibleWordWindow(w));
    w.list = {{u"Word", true}};
    w.wordRunning = false;
    EXPECT_FALSE(FindVisibleWordWindow(w)) << "without a Word main window no title is examined";
}

TEST(WindowUtilities, MaximiseMinimisesAMaximisedWindowFirst) {
    FakeWindows w;
    w.list = {{u"Word", true}};
    w.zoomed = true;
    EXPECT_TRUE(MaximizeWordWindow(w));
    EXPECT_EQ(w.shown, (std::vector<std::u16string>{u"min", u"max"}));
    w.wordRunning = false;
    EXPECT_FALSE(MaximizeWordWindow(w));
    NoWordWindows none;
    EXPECT_FALSE(FindVisibleWordWindow(none));
    EXPECT_FALSE(MaximizeWordWindow(none));
}
