#include <gtest/gtest.h>

#include <QLabel>

#include "run/ConversionRun.h"
#include "run/ProgressWindows.h"
#include "support/GuiFakes.h"

using namespace tessaly;
using namespace tessaly::testing;

TEST(ProgressWindow, PercentagesRoundHalfToEvenAndStopAtAHundred) {
    RunState state;
    run::ProgressWindow window(state);
    const float width = window.ShowProgress(QStringLiteral("c"));
    EXPECT_EQ(width, 300.0f);
    EXPECT_EQ(window.barWidth(), 0);
    const std::pair<int, const char*> cases[] = {{1, "0％"}, {5, "2％"}, {7, "4％"}, {200, "100％"}, {300, "100％"}};
    for (auto [done, text] : cases) {
        window.UpdateProgress(done, 200, width, QStringLiteral("c"));
        EXPECT_EQ(window.percentage(), QString::fromUtf8(text)) << done;
    }
    window.UpdateProgress(10, 100, width, QStringLiteral("ルビ変換処理を実行中です...　"));
    EXPECT_EQ(window.percentage(), QStringLiteral("10％"));
    EXPECT_EQ(window.barWidth(), 29);  // round(30) × 0.98
    EXPECT_EQ(window.caption(), QStringLiteral("ルビ変換処理を実行中です...　"));
    EXPECT_THROW(window.UpdateProgress(1, 0, width, QStringLiteral("c")), std::runtime_error);
}

TEST(ProgressWindow, FinishShowsAHundredPausesAndCloses) {
    RunState state;
    run::ProgressWindow window(state);
    window.ShowProgress(QStringLiteral("c"));
    SteppingClock clock;
    const double before = clock.now;
    window.FinishProgress(QStringLiteral("ルビ変換処理の完了中です... "), clock);
    EXPECT_EQ(window.percentage(), QStringLiteral("100％"));
    EXPECT_EQ(window.barWidth(), 294);
    EXPECT_FALSE(window.isVisible());
    EXPECT_GE(clock.now - before, 0.5);
    EXPECT_LE(clock.now - before, 1.0);  // the clock is read once more to start the pause
    EXPECT_EQ(clock.pumps, 0) << "no input during the completion pause";
    EXPECT_GT(clock.paintPumps, 0) << "but the window is drawn";
}

namespace {

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

TEST(ThrottledProgress, ManyFieldRunsInOneFrameGiveOneRepaintWithTheLatestCount) {
    RunState state;
    run::ProgressWindow window(state);
    const float width = window.ShowProgress(QStringLiteral("c"));
    QApplication::processEvents();
    PaintCounter counter;
    window.installEventFilter(&counter);
    ScriptedMessages messages;
    SteppingClock clock;
    clock.step = 0;  // the clock stands still: everything below happens within one frame
    NoWordWindows windows;
    run::UnreachableInDesign inDesign;
    FakeShell shell;
    run::RunServices services{messages, clock, windows, inDesign, shell};
    run::ThrottledProgress host(window, services);
    auto count = [&] { return window.findChild<QLabel*>(QStringLiteral("Label9"))->text(); };

    host.UpdateProgress(50, 100, width, u"c");  // a new percentage: painted at once
    EXPECT_EQ(counter.paints, 1);
    for (int field = 1; field <= 1000; ++field) {
        host.ShowConvertedCount(field);
        host.UpdateProgress(50, 100, width, u"c");
        host.Yield();
    }
    EXPECT_EQ(counter.paints, 1);
    EXPECT_EQ(clock.pumps, 1) << "the first yield only";
    // A frame later the next run is painted, with the latest count.
    clock.now += 0.04;
    host.ShowConvertedCount(1001);
    host.UpdateProgress(50, 100, width, u"c");
    EXPECT_EQ(counter.paints, 2);
    EXPECT_EQ(count(), QStringLiteral("1001"));
    host.UpdateProgress(51, 100, width, u"c");  // and a new percentage at once
    EXPECT_EQ(counter.paints, 3);
    EXPECT_EQ(window.percentage(), QStringLiteral("51％"));
}

TEST(PreparationWindow, AbortAsksAndSetsTheFlagOnYesOnly) {
    RunState state;
    ScriptedMessages messages;
    run::PreparationWindow window(state, messages);
    messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
    window.abortClicked();
    EXPECT_FALSE(state.AbortRequested);
    window.abortClicked();
    EXPECT_TRUE(state.AbortRequested);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.title(0), QStringLiteral("確認"));
    EXPECT_EQ(messages.text(0), QStringLiteral("ルビ変換処理を中止しますか？　　　"));
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Question);
}

