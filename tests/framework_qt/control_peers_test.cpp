#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <chrono>
#include <functional>
#include <vector>

#include "qt_test_window.h"

namespace tavr {
namespace {

class ControlPeers : public testing::Test {
  protected:
    void SetUp() override { test.Open(); }

    QtTestWindow test;
};

struct MirrorCase {
    const char* name;
    std::function<void(QtTestWindow&)> write;
    std::function<bool(QtTestWindow&)> shown;
};

class LogicWrites : public ControlPeers, public testing::WithParamInterface<MirrorCase> {};

// A write by the logic changes what the widget shows and raises no event.
TEST_P(LogicWrites, ReachTheWidgetWithoutRaisingEvents) {
    GetParam().write(test);
    EXPECT_TRUE(GetParam().shown(test));
    EXPECT_TRUE(test.events.empty()) << test.events.front();
}

INSTANTIATE_TEST_SUITE_P(
    Properties, LogicWrites,
    testing::Values(
        MirrorCase{"ButtonCaption", [](QtTestWindow& t) { t.connectButton.SetCaption("断开"); },
                   [](QtTestWindow& t) {
                       return t.WidgetOf<QPushButton>(t.connectButton)->text() == "断开";
                   }},
        MirrorCase{"CheckBoxTicked", [](QtTestWindow& t) { t.autoRead.SetChecked(1); },
                   [](QtTestWindow& t) { return t.WidgetOf<QCheckBox>(t.autoRead)->isChecked(); }},
        MirrorCase{"CheckBoxClearedByAnyOtherValue",
                   [](QtTestWindow& t) {
                       t.autoRead.SetChecked(1);
                       t.autoRead.SetChecked(2);
                   },
                   [](QtTestWindow& t) { return !t.WidgetOf<QCheckBox>(t.autoRead)->isChecked(); }},
        MirrorCase{"EditBoxContent", [](QtTestWindow& t) { t.period.SetContent("10"); },
                   [](QtTestWindow& t) { return t.WidgetOf<QLineEdit>(t.period)->text() == "10"; }},
        MirrorCase{"SelectionAboveTheLastEntrySelectsTheLast",
                   [](QtTestWindow& t) { t.baudRate.SetCurrentSelection(99); },
                   [](QtTestWindow& t) {
                       return t.WidgetOf<QComboBox>(t.baudRate)->currentText() == "115200";
                   }},
        MirrorCase{"SelectionBelowZeroSelectsNothing",
                   [](QtTestWindow& t) { t.baudRate.SetCurrentSelection(-5); },
                   [](QtTestWindow& t) {
                       return t.WidgetOf<QComboBox>(t.baudRate)->currentIndex() == -1;
                   }},
        MirrorCase{"LabelCaption", [](QtTestWindow& t) { t.caption.SetCaption("新"); },
                   [](QtTestWindow& t) { return t.WidgetOf<QLabel>(t.caption)->text() == "新"; }},
        MirrorCase{"HiddenControl", [](QtTestWindow& t) { t.readButton.SetVisible(false); },
                   [](QtTestWindow& t) { return !t.WidgetOf(t.readButton)->isVisible(); }},
        MirrorCase{"DisabledControl", [](QtTestWindow& t) { t.period.SetDisabled(true); },
                   [](QtTestWindow& t) { return !t.WidgetOf(t.period)->isEnabled(); }},
        MirrorCase{
            "MovedControl",
            [](QtTestWindow& t) {
                t.lamp.SetBounds({5, 6, 30, 40});
            },
            [](QtTestWindow& t) { return t.WidgetOf(t.lamp)->geometry() == QRect(5, 6, 30, 40); }},
        MirrorCase{"TableCell", [](QtTestWindow& t) { t.table.SetItemText(2, 1, "12.5V"); },
                   [](QtTestWindow& t) {
                       const QAbstractItemModel* model =
                           t.WidgetOf<QAbstractItemView>(t.table)->model();
                       return model->index(2, 1).data().toString() == "12.5V";
                   }},
        MirrorCase{"MultiLineSwitchKeepsTheContent",
                   [](QtTestWindow& t) {
                       t.period.SetMultiLine(true);
                       t.period.SetContent("a\nb");
                   },
                   [](QtTestWindow& t) {
                       auto* box = t.WidgetOf<QPlainTextEdit>(t.period);
                       return box != nullptr && box->toPlainText() == "a\nb" &&
                              box->geometry() == QRect(477, 14, 24, 20) && box->isVisible();
                   }}),
    [](const auto& info) { return info.param.name; });

TEST_F(ControlPeers, ClickingAButtonRaisesClickedOnce) {
    QTest::mouseClick(test.WidgetOf(test.connectButton), Qt::LeftButton);
    QTest::keyClick(test.WidgetOf(test.readButton), Qt::Key_Space);
    EXPECT_EQ(test.events, (std::vector<std::string>{"connect clicked", "read clicked"}));
}

TEST_F(ControlPeers, ClickingTheCheckBoxTicksItBeforeTheHandlerRuns) {
    auto* box = test.WidgetOf<QCheckBox>(test.autoRead);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_EQ(test.events, (std::vector<std::string>{"auto-read 1", "auto-read 0"}));
    EXPECT_FALSE(box->isChecked());
}

TEST_F(ControlPeers, TypingRaisesContentChangedPerKeystroke) {
    auto* box = test.WidgetOf<QLineEdit>(test.period);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "15");
    EXPECT_EQ(test.period.Content(), "15");
    EXPECT_EQ(test.events, (std::vector<std::string>{"period 1", "period 15"}));
    EXPECT_EQ(box->cursorPosition(), 2);
}

TEST_F(ControlPeers, SelectorIsADropDownListThatOnlyPicksEntries) {
    auto* combo = test.WidgetOf<QComboBox>(test.baudRate);
    EXPECT_FALSE(combo->isEditable());
    EXPECT_EQ(combo->count(), 7);
    EXPECT_EQ(combo->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(combo->itemData(6).toInt(), 115200);
    combo->setFocus();
    QTest::keyClicks(combo, "abc");  // typing picks nothing that is not an entry
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(test.baudRate.CurrentSelection(), 3);
    EXPECT_EQ(test.events.back(), "baud 14400");
}

TEST_F(ControlPeers, SelectorListDropsDownAtLeast160Pixels) {
    for (int entry = 0; entry < 20; ++entry) {
        test.baudRate.AddEntry(std::to_string(entry), entry);
    }
    auto* combo = test.WidgetOf<QComboBox>(test.baudRate);
    combo->showPopup();
    ASSERT_TRUE(combo->view()->isVisible());
    EXPECT_GE(combo->view()->window()->height(), 160);
    combo->hidePopup();
}

// The lamp's pixel at the given point of its 20 x 20 box.
QColor LampPixel(QtTestWindow& test, int x, int y) {
    return test.WidgetOf(test.lamp)->grab().toImage().pixelColor(x, y);
}

TEST_F(ControlPeers, LampIsACircleFilledWithItsColourAndOutlinedInBlack) {
    test.lamp.SetFillColour(0x0000FF);  // red in the low byte
    EXPECT_EQ(LampPixel(test, 10, 10), QColor(255, 0, 0));
    test.lamp.SetFillColour(0xFF00);
    EXPECT_EQ(LampPixel(test, 10, 10), QColor(0, 255, 0));
    test.lamp.SetFillColour(0x808080);
    EXPECT_EQ(LampPixel(test, 10, 10), QColor(128, 128, 128));
    // The outline runs along the box's edge at the middle of each side; corners stay clear.
    EXPECT_LT(qGray(LampPixel(test, 10, 0).rgb()), 48);
    EXPECT_LT(qGray(LampPixel(test, 0, 10).rgb()), 48);
    EXPECT_LT(qGray(LampPixel(test, 19, 10).rgb()), 48);
    EXPECT_NE(LampPixel(test, 1, 1), QColor(128, 128, 128));
    EXPECT_NE(LampPixel(test, 1, 1), QColor(Qt::black));
}

TEST_F(ControlPeers, LampToolTipFollowsTheControl) {
    const char* reason =
        "COM1 (/dev/ttyUSB0): permission denied — add your user to the dialout group";
    test.lamp.SetToolTip(reason);
    EXPECT_EQ(test.WidgetOf(test.lamp)->toolTip(), QString::fromUtf8(reason));
    test.lamp.SetToolTip({});
    EXPECT_TRUE(test.WidgetOf(test.lamp)->toolTip().isEmpty());
}

TEST_F(ControlPeers, LampWithoutFillShowsTheBackgroundInside) {
    const QColor background = LampPixel(test, 1, 1);
    test.lamp.SetFillColour(ShapeBox::kNoFill);
    EXPECT_EQ(LampPixel(test, 10, 10), background);
}

TEST_F(ControlPeers, LampIsRepaintedOnlyWhenItsLookChanges) {
    EventCount count(*test.WidgetOf(test.lamp), QEvent::Paint);
    test.lamp.SetFillColour(0xFF00);
    QCoreApplication::processEvents();
    ASSERT_GT(count.seen, 0);

    count.seen = 0;
    test.lamp.SetFillColour(0xFF00);  // every received byte sets the lamp green again
    test.lamp.SetOutlineColour(test.lamp.OutlineColour());
    QCoreApplication::processEvents();
    EXPECT_EQ(count.seen, 0);
    test.lamp.SetFillColour(0xFF);
    QCoreApplication::processEvents();
    EXPECT_GT(count.seen, 0);
}

// The lamp's change is painted by the window's next frame; Qt's own request for the lamp, made
// while that frame ran the lamp's check, is answered by it and never comes (held back to the
// next frame, it would cost the window thread a wake-up to paint nothing).
TEST_F(ControlPeers, ALampChangeLeavesNoRepaintRequest) {
    QWidget& window = *test.WidgetOf(test.lamp)->window();
    // Every request is answered as it comes, none held back for a timer.
    test.TopLevel().SetRepaintFrame(std::chrono::nanoseconds::zero());
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
    }
    EventCount count(*test.WidgetOf(test.lamp), QEvent::Paint);
    for (const Colour colour : {0xFF, 0xFF00}) {
        EventCount asked(window, QEvent::UpdateRequest);
        test.lamp.SetFillColour(colour);
        for (int round = 0; round < 3; ++round) {
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(asked.seen, 0) << colour;
    }
    EXPECT_EQ(count.seen, 2);
}

// The lamp, painted green, takes `colours` one after the other within one frame of that paint,
// after a cell of the table changed or not.
struct FrameCase {
    const char* name;
    bool cellChanged;
    std::vector<Colour> colours;
    bool frameAwaited;  // a repaint or a look still waits for the frame
    int paintsAfterTheFrame;
};

class Frames : public ControlPeers, public testing::WithParamInterface<FrameCase> {};

// Changes within a frame of the last paint wait for the next frame and are painted with it, once,
// as they then stand: a lamp back to its painted colour by then is not repainted, and unless
// something else waits for that frame, the window thread is not woken for it.
TEST_P(Frames, TheWindowRepaintsAtMostOncePerFrame) {
    EventCount count(*test.WidgetOf(test.lamp), QEvent::Paint);
    test.lamp.SetFillColour(0xFF00);
    QCoreApplication::processEvents();
    ASSERT_EQ(count.seen, 1);

    test.TopLevel().SetRepaintFrame(std::chrono::hours(1));
    if (GetParam().cellChanged) {
        test.table.SetItemText(1, 1, "changed");
        QCoreApplication::processEvents();
    }
    for (const Colour colour : GetParam().colours) {
        test.lamp.SetFillColour(colour);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(count.seen, 1) << "painted within the frame";
    EXPECT_EQ(test.TopLevel().FrameAwaited(), GetParam().frameAwaited);
    test.TopLevel().SetRepaintFrame(std::chrono::nanoseconds::zero());
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(count.seen, 1 + GetParam().paintsAfterTheFrame);
}

INSTANTIATE_TEST_SUITE_P(
    Lamp, Frames,
    testing::Values(
        FrameCase{"TwoNewColoursArePaintedOnce", false, {0xFF, 0xFF0000}, true, 1},
        // a fast read cycle: red at the request, green at the reply's first byte
        FrameCase{"BackToThePaintedColourIsNotRepainted", false, {0xFF, 0xFF00}, false, 0},
        FrameCase{
            "BackToThePaintedColourLeavesAHeldRepaintWaiting", true, {0xFF, 0xFF00}, true, 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(ControlPeers, InputIsIgnoredBeforeTheWindowIsCreated) {
    QtTestWindow unopened;
    unopened.Show();
    QTest::mouseClick(unopened.WidgetOf(unopened.connectButton), Qt::LeftButton);
    auto* box = unopened.WidgetOf<QCheckBox>(unopened.autoRead);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_TRUE(unopened.events.empty());
    EXPECT_FALSE(box->isChecked());
}

}  // namespace
}  // namespace tavr
