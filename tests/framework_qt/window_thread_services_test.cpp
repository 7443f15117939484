#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyle>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/qt/qt_fatal_error_box.h"
#include "framework/qt/qt_visual_style.h"
#include "framework/qt/qt_window_thread_poster.h"
#include "qt_test_window.h"
#include "runtime/fatal_error.h"

namespace tavr {
namespace {

class WindowThreadServices : public testing::Test {
  protected:
    void SetUp() override { test.Open(); }

    QtTestWindow test;
};

TEST_F(WindowThreadServices, TimerTicksOnTheEventLoopUntilStopped) {
    test.timer.SetInterval(5);
    EXPECT_TRUE(test.system.Timers().IsRunning(test.timer));
    ASSERT_TRUE(QTest::qWaitFor([this] { return test.events.size() >= 3; }));
    test.timer.SetInterval(0);
    EXPECT_FALSE(test.system.Timers().IsRunning(test.timer));
}

TEST_F(WindowThreadServices, TimerMayBeStoppedFromItsOwnTick) {
    test.timer.onElapsed = [this] {
        test.events.push_back("tick");
        test.timer.SetInterval(0);
    };
    test.timer.SetInterval(1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !test.events.empty(); }));
    EXPECT_FALSE(test.system.Timers().IsRunning(test.timer));
    test.timer.SetInterval(1);  // and started again later
    ASSERT_TRUE(QTest::qWaitFor([this] { return test.events.size() == 2; }));
}

TEST_F(WindowThreadServices, ClosingTheWindowStopsItsTimers) {
    test.timer.SetInterval(5);
    test.window.Close();
    EXPECT_FALSE(test.system.Timers().IsRunning(test.timer));
}

TEST_F(WindowThreadServices, PostsFromOtherThreadsRunInTheirOrderOnTheGuiThread) {
    constexpr int kPerThread = 300;
    std::vector<int> ran;
    std::atomic<bool> elsewhere{false};
    WindowThreadPoster& poster = test.system.Thread().Poster();
    auto postFrom = [&](int first) {
        for (int i = first; i < first + kPerThread; ++i) {
            poster.Post([&, i] {
                elsewhere = elsewhere || QThread::currentThread() != qApp->thread();
                ran.push_back(i);
            });
        }
    };
    std::thread one(postFrom, 0);
    std::thread two(postFrom, 1000);
    one.join();
    two.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 2 * kPerThread; }));
    EXPECT_FALSE(elsewhere);
    std::vector<int> fromOne;
    std::vector<int> fromTwo;
    for (int value : ran) {
        (value < 1000 ? fromOne : fromTwo).push_back(value);
    }
    for (int i = 0; i < kPerThread; ++i) {
        EXPECT_EQ(fromOne[static_cast<std::size_t>(i)], i);
        EXPECT_EQ(fromTwo[static_cast<std::size_t>(i)], 1000 + i);
    }
}

TEST_F(WindowThreadServices, PostsWaitForTheRunningHandlerAndForDelay) {
    bool ran = false;
    test.system.Thread().Poster().Post([&] { ran = true; });
    test.system.Thread().Delay(20);
    EXPECT_FALSE(ran);  // nothing is delivered while the thread sleeps
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran; }));
}

struct AfterEventCase {
    const char* name;
    bool askedInAPostedTask;
    bool contextGoneBeforeItRuns;
    std::vector<std::string> ran;
};

class WorkAfterTheEvent : public WindowThreadServices,
                          public testing::WithParamInterface<AfterEventCase> {};

// A port's delivery (a posted task) asks for the table's tidy-up: it runs right after the task,
// ahead of the next posted task, with no event of its own; asked for elsewhere, it is queued.
TEST_P(WorkAfterTheEvent, RunsRightAfterAPostedTaskOrElseQueued) {
    const AfterEventCase& c = GetParam();
    auto& poster = dynamic_cast<QtWindowThreadPoster&>(test.system.Thread().Poster());
    auto context = std::make_unique<QObject>();
    std::vector<std::string> ran;
    const auto askForWork = [&] {
        poster.AfterCurrentEvent(*context, [&] { ran.emplace_back("after"); });
        if (c.contextGoneBeforeItRuns) {
            context.reset();
        }
    };
    if (c.askedInAPostedTask) {
        poster.Post([&] {
            ran.emplace_back("task 1");
            askForWork();
        });
        poster.Post([&] { ran.emplace_back("task 2"); });
    } else {
        askForWork();
        EXPECT_TRUE(ran.empty()) << "not before the event has been handled";
        poster.Post([&] { ran.emplace_back("task 2"); });
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ran.empty() && ran.back() == "task 2"; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, c.ran);
}

INSTANTIATE_TEST_SUITE_P(
    Poster, WorkAfterTheEvent,
    testing::Values(AfterEventCase{"InAPostedTask", true, false, {"task 1", "after", "task 2"}},
                    AfterEventCase{
                        "InAPostedTaskWhoseContextGoes", true, true, {"task 1", "task 2"}},
                    AfterEventCase{"ElsewhereQueued", false, false, {"after", "task 2"}},
                    AfterEventCase{"ElsewhereWhoseContextGoes", false, true, {"task 2"}}),
    [](const auto& info) { return info.param.name; });

TEST(WindowThreadPoster, PostsAfterTheWindowSystemHasGoneAreDropped) {
    std::shared_ptr<WindowThreadPoster> poster;
    bool ran = false;
    {
        QtWindowSystem system;
        poster = system.Thread().SharedPoster();
        poster->Post([&] { ran = true; });
    }
    poster->Post([&] { ran = true; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

// The colour of the table's border, half-way down its left edge. (Only a corner of the table is
// painted: painting all of it makes Qt convert the image on threads of its own.)
QColor FramePixel(const QtTestWindow& test) {
    QWidget* table = test.WidgetOf(test.table);
    return table->grab(QRect(0, table->height() / 2, 4, 4)).toImage().pixelColor(0, 0);
}

struct SchemeCase {
    std::int32_t style;
    const char* frame;
};

class ThemedLook : public WindowThreadServices, public testing::WithParamInterface<SchemeCase> {};

TEST_P(ThemedLook, UsesThePlatformStyleAndTheSchemesFrameColour) {
    const QtVisualStyle look;
    EXPECT_EQ(test.system.Thread().EnableVisualStyle(GetParam().style), 1);
    EXPECT_EQ(QApplication::style()->name().toLower(), look.PlatformStyle().toLower());
    const QString frame = QString::fromLatin1(GetParam().frame);
    EXPECT_TRUE(test.WidgetOf(test.period)->styleSheet().contains(frame));
    EXPECT_EQ(FramePixel(test), QColor(frame));
    // A changed cell is painted over the table's own white, not over the window behind it.
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
    }
    EventCount windowPaints(test.TopLevel(), QEvent::Paint);
    test.table.SetItemText(1, 1, "changed");
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(windowPaints.seen, 0);

    // A window shown later gets the same frames.
    Window later(test.system.Thread(), "later", 200, 100);
    EditBox& box = later.Add<EditBox>("box", Bounds{0, 0, 50, 20});
    EXPECT_TRUE(test.system.ShowWindow(later).WidgetOf(box)->styleSheet().contains(frame));

    EXPECT_EQ(test.system.Thread().EnableVisualStyle(0), 0);
    EXPECT_EQ(QApplication::style()->name().toLower(),
              QString::fromLatin1(QtVisualStyle::kClassicStyle).toLower());
    EXPECT_TRUE(test.WidgetOf(test.period)->styleSheet().isEmpty());
    EXPECT_EQ(FramePixel(test), QColor(Qt::black));
}

INSTANTIATE_TEST_SUITE_P(Schemes, ThemedLook,
                         testing::Values(SchemeCase{1, "#7b9ebd"}, SchemeCase{2, "#a4b97f"},
                                         SchemeCase{3, "#c6c5d7"}));

// Closes the message box that is about to open, after noting its text and icon.
void AnswerMessageBox(QString& text, QMessageBox::Icon& icon) {
    QTimer::singleShot(0, [&text, &icon] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr) {
            text = box->text();
            icon = box->icon();
            box->accept();
        }
    });
}

TEST(FatalErrorBox, ShowsTheErrorTextWithTheCriticalIcon) {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    AnswerMessageBox(text, icon);
    ShowFatalErrorBox(FatalErrorText("不能求余数于零"));
    EXPECT_EQ(text, QStringLiteral("运行时出错!\n\n错误信息：不能求余数于零\n"));
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(FatalErrorBox, ProcessEndsWithMinusOneOnceTheBoxIsClosed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            QtWindowSystem system;
            QString text;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            AnswerMessageBox(text, icon);
            RaiseFatalError("不能求余数于零");
        },
        testing::ExitedWithCode(255), "");
}

}  // namespace
}  // namespace tavr
