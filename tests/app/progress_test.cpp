#include <gtest/gtest.h>

#include <vector>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/utProgress.h"
#include "app/window_feedback.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

struct Questions {
  std::vector<std::pair<QString, QString>> asked;
  bool answer = true;
  ProgressState::ConfirmFunction function() {
    return [this](const QString& text, const QString& caption) {
      asked.emplace_back(text, caption);
      return answer;
    };
  }
};

// Clicks Cancel while the next step processes its events.
void ClickCancelDuringNextStep(ProgressState& state) {
  QPushButton* cancel = state.window()->cancelButton();
  QTimer::singleShot(0, cancel, [cancel] { cancel->click(); });
}

TEST(ProgressWindow, LayoutOfOneBar) {
  Questions q;
  ProgressState state(q.function());
  state.ProgressStart(10, U("正在生成图廓"), true);
  TMyProgress* w = state.window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), U("正在生成图廓"));
  EXPECT_EQ(w->size(), QSize(326, 96));
  EXPECT_EQ(w->bar(0)->geometry().topLeft(), QPoint(9, 25));
  EXPECT_EQ(w->bar(0)->width(), 304);
  ASSERT_NE(w->cancelButton(), nullptr);
  EXPECT_EQ(w->cancelButton()->geometry(), QRect(246, 54, 62, 26));
  EXPECT_EQ(w->cancelButton()->text(), U("取消"));
  EXPECT_EQ(w->y(), 200);
  EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(w->isVisible()) << "shown only at the first step";
  state.ProgressStep(1);
  EXPECT_TRUE(w->isVisible());
  state.ProgressClose(false);
  EXPECT_EQ(state.window(), nullptr);

  state.ProgressStart(10, U("x"), false);
  EXPECT_EQ(state.window()->cancelButton(), nullptr);
}

TEST(ProgressWindow, PercentagesAndClosingItselfWhenComplete) {
  Questions q;
  ProgressState state(q.function());
  state.ProgressStart(3, U("正在生成图廓"), true);
  std::vector<int> shown;
  QObject::connect(state.window()->bar(0), &QProgressBar::valueChanged,
                   [&shown](int value) { shown.push_back(value); });
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(state.window(), nullptr) << "closed early, before step " << i + 1;
    EXPECT_FALSE(state.ProgressStep(1));
  }
  EXPECT_EQ(shown, (std::vector<int>{33, 66, 100}));
  EXPECT_EQ(state.window(), nullptr) << "the window closes itself at 100 %";
  state.ProgressClose(false);  // harmless afterwards
  EXPECT_FALSE(state.ProgressStep(1));
  EXPECT_EQ(state.window(), nullptr);
}

// A run of the main window holds the window until its output is closed,
// finished or stopped, and says what it is doing meanwhile.
TEST(ProgressWindow, HeldByARunUntilItEnds) {
  Questions q;
  ProgressState state(q.function());
  for (const bool stop : {false, true}) {
    SCOPED_TRACE(stop);
    state.BeginRun();
    state.ProgressStart(3, U("正在生成图廓"), true);
    state.SetCurrentName("E45G095066");
    EXPECT_FALSE(state.ProgressStep(1));
    EXPECT_EQ(state.window()->countLabel()->text(), U("1 / 3  E45G095066"));
    EXPECT_TRUE(state.window()->timeLabel()->text().startsWith(U("剩余")))
        << state.window()->timeLabel()->text().toStdString();
    if (stop) ClickCancelDuringNextStep(state);
    EXPECT_FALSE(state.ProgressStep(1));
    EXPECT_EQ(state.ProgressStep(1), stop);
    state.ProgressClose(false);  // the builder's clean-up
    ASSERT_NE(state.window(), nullptr) << "still there while the output closes";
    EXPECT_EQ(state.window()->timeLabel()->text(),
              stop ? U("正在停止，保存已完成的图廓……") : U("正在关闭输出……"));
    EXPECT_FALSE(state.window()->cancelButton()->isEnabled());
    state.EndRun();
    EXPECT_EQ(state.window(), nullptr);
    EXPECT_EQ(state.runAborted(), stop);
  }
}

TEST(ProgressWindow, ZeroTotalCannotDivideByZero) {
  Questions q;
  ProgressState state(q.function());
  state.ProgressStart(0, U("x"), false);
  QProgressBar* bar = state.window()->bar(0);
  int last = -1;
  QObject::connect(bar, &QProgressBar::valueChanged, [&last](int v) { last = v; });
  state.ProgressStep(1);
  EXPECT_EQ(last, 100);
  EXPECT_EQ(state.window(), nullptr);
}

// The builders' loop: draw a feature, step, stop when the step says so.
TEST(ProgressWindow, AbortConfirmedDuringAStepIsReportedByTheNext) {
  Questions q;
  q.answer = true;
  ProgressState state(q.function());
  state.ProgressStart(5, U("正在生成图廓"), true);
  int drawn = 0;
  std::vector<bool> results;
  for (int feature = 1; feature <= 5; ++feature) {
    ++drawn;
    if (feature == 2) ClickCancelDuringNextStep(state);
    const bool stop = state.ProgressStep(1);
    results.push_back(stop);
    if (stop) break;
  }
  EXPECT_EQ(drawn, 3) << "the third feature is still drawn";
  EXPECT_EQ(results, (std::vector<bool>{false, false, true}));
  ASSERT_EQ(q.asked.size(), 1u);
  EXPECT_EQ(q.asked[0], std::make_pair(U("你确定终止吗"), U("终止")));
  EXPECT_EQ(state.window(), nullptr);
  EXPECT_TRUE(state.aborted()) << "the flag stays set until the next window";
  state.ProgressClose(false);
  state.ProgressStart(2, U("x"), true);
  EXPECT_FALSE(state.aborted());
}

TEST(ProgressWindow, DecliningTheAbortKeepsTheRunGoingAndTheWindowOnTop) {
  Questions q;
  q.answer = false;
  ProgressState state(q.function());
  state.ProgressStart(4, U("正在生成图廓"), true);
  EXPECT_FALSE(state.ProgressStep(1));
  EXPECT_FALSE(state.window()->windowFlags() & Qt::WindowStaysOnTopHint);
  ClickCancelDuringNextStep(state);
  EXPECT_FALSE(state.ProgressStep(1));
  EXPECT_EQ(q.asked.size(), 1u);
  ASSERT_NE(state.window(), nullptr);
  EXPECT_TRUE(state.window()->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(state.window()->isVisible());
  EXPECT_FALSE(state.ProgressStep(1));
  EXPECT_FALSE(state.ProgressStep(1));
  EXPECT_EQ(state.window(), nullptr);
}

// Esc asks as 取消 does; declined, nothing closes.
TEST(ProgressWindow, OnlyCancelClosesTheWindow) {
  Questions q;
  q.answer = false;
  ProgressState state(q.function());
  state.ProgressStart(5, U("x"), true);
  state.ProgressStep(1);
  TMyProgress* w = state.window();
  EXPECT_FALSE(w->close());
  QTest::keyClick(w, Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(state.window(), w);
  EXPECT_EQ(q.asked.size(), 1u);
  EXPECT_FALSE(state.aborted());
}

TEST(WindowFeedback, DrivesTheProgressWindowAndTheDialogs) {
  Questions q;
  ProgressState state(q.function());
  WindowDialogs dialogs;
  std::vector<QString> messages;
  dialogs.message = [&](const QString& t) { messages.push_back(t); };
  dialogs.confirm = [](const QString&, const QString& caption) { return caption == "yes"; };
  WindowFeedback feedback(dialogs, state);
  feedback.message("没有数据，可能条件设置错误");
  EXPECT_EQ(messages, std::vector<QString>{U("没有数据，可能条件设置错误")});
  EXPECT_TRUE(feedback.confirm("q", "yes"));
  EXPECT_FALSE(feedback.confirm("q", "no"));
  feedback.progressStart(2, "正在生成图廓", true);
  ASSERT_NE(state.window(), nullptr);
  EXPECT_EQ(state.window()->windowTitle(), U("正在生成图廓"));
  EXPECT_FALSE(feedback.progressStep(1));
  EXPECT_EQ(state.position(), 1);
  feedback.progressClose(false);
  EXPECT_EQ(state.window(), nullptr);
}

}  // namespace
}  // namespace tarvik
