#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QWindow>
#include <QtTest/QTest>
#include <memory>

#include "qt_test_window.h"

namespace tavr {
namespace {

class WindowLayout : public testing::Test {
  protected:
    void SetUp() override { test.Open(); }

    QtTestWindow test;
};

TEST_F(WindowLayout, EveryVisualControlStandsAtItsBoundsAndHiddenOnesAreNeverShown) {
    for (const auto& control : test.window.Controls()) {
        QWidget* widget = test.WidgetOf(*control);
        if (control->Kind() == ControlKind::Timer) {
            EXPECT_EQ(widget, nullptr);
            continue;
        }
        ASSERT_NE(widget, nullptr) << control->Name();
        const Bounds& bounds = control->GetBounds();
        EXPECT_EQ(widget->geometry(), QRect(bounds.left, bounds.top, bounds.width, bounds.height))
            << control->Name();
        EXPECT_EQ(widget->parentWidget(), &test.TopLevel());
        EXPECT_EQ(widget->isVisible(), control->Visible()) << control->Name();
    }
}

TEST_F(WindowLayout, OuterSizeIsFixedAndTheWindowIsCentredOnTheScreen) {
    const QMargins frame = test.TopLevel().windowHandle()->frameMargins();
    EXPECT_EQ(test.TopLevel().minimumSize(), test.TopLevel().maximumSize());
    EXPECT_EQ(test.TopLevel().width() + frame.left() + frame.right(), 695);
    EXPECT_EQ(test.TopLevel().height() + frame.top() + frame.bottom(), 670);

    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(test.window.Left(), (screen.width() - 695) / 2);
    EXPECT_EQ(test.window.Top(), (screen.height() - 670) / 2);
    EXPECT_EQ(test.TopLevel().pos(), QPoint(test.window.Left(), test.window.Top()));
}

TEST_F(WindowLayout, TitleBarHasMinimizeButNoMaximizeButton) {
    const Qt::WindowFlags flags = test.TopLevel().windowFlags();
    EXPECT_EQ(test.TopLevel().windowTitle(), QStringLiteral("测试窗口"));
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
}

TEST_F(WindowLayout, IconIsA48PixelImageWithAlpha) {
    const QIcon icon = test.TopLevel().windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(48, 48)));
    const QImage image = icon.pixmap(48, 48).toImage();
    EXPECT_EQ(image.size(), QSize(48, 48));
    EXPECT_TRUE(image.hasAlphaChannel());
}

TEST_F(WindowLayout, BackgroundIsTheButtonFaceColour) {
    EXPECT_EQ(test.TopLevel().backgroundRole(), QPalette::Button);
    EXPECT_TRUE(test.TopLevel().autoFillBackground());
}

TEST_F(WindowLayout, EarlierControlsLieOnTopOfLaterOnes) {
    // The period box covers the blanks of the check box's caption, the baud-rate selector
    // those of the caption label.
    EXPECT_EQ(test.TopLevel().childAt(489, 24), test.WidgetOf(test.period));
    EXPECT_EQ(test.TopLevel().childAt(150, 22), test.WidgetOf(test.baudRate));
    EXPECT_EQ(test.TopLevel().childAt(450, 24), test.WidgetOf(test.autoRead));
}

TEST_F(WindowLayout, TabVisitsTheVisibleTabStopsInCreationOrder) {
    test.WidgetOf(test.readButton)->setFocus();
    std::vector<std::string> visited{test.window.FocusedControl()->Name()};
    for (int press = 0; press < 6; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(test.window.FocusedControl()->Name());
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"读取数据", "隔几秒", "自动读取选择框", "波特率",
                                                 "超级列表框1", "联机按钮", "读取数据"}));
}

TEST_F(WindowLayout, ComLabelIsBoldAtSixteenPixels) {
    const QFont font = test.WidgetOf<QLabel>(test.comLabel)->font();
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.pixelSize(), 16);
    const QFont plain = test.WidgetOf<QLabel>(test.caption)->font();
    EXPECT_FALSE(plain.bold());
    EXPECT_EQ(plain, test.TopLevel().font());
}

TEST_F(WindowLayout, CaptionBlanksAreWhereTheControlsSetIntoThemStand) {
    // The widths below are those of the captions' Chinese characters: without a font that has
    // them, Qt measures boxes that stand for missing glyphs.
    ASSERT_FALSE(QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
        << "no font with the captions' Chinese characters is installed: install the Debian "
           "package fonts-noto-cjk (scripts/install-deps does)";
    // "波特率：", eleven blanks, "设备ID：": the baud-rate selector (148 to 212) must cover the
    // blanks only, leaving both words in sight.
    auto* label = test.WidgetOf<QLabel>(test.caption);
    const QFontMetrics metrics(label->font());
    const QString shown = label->text();
    const int firstWordEnd = label->x() + metrics.horizontalAdvance(shown.left(4));
    const int secondWordStart = label->x() + metrics.horizontalAdvance(shown.left(15));
    EXPECT_LE(firstWordEnd, test.baudRate.Left());
    EXPECT_GE(secondWordStart, test.baudRate.Left() + test.baudRate.Width());
    EXPECT_EQ(test.caption.Caption(), "波特率：           设备ID：");  // the property is unchanged
}

TEST_F(WindowLayout, PeriodBoxCentresItsText) {
    auto* box = test.WidgetOf<QLineEdit>(test.period);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(box->text(), QStringLiteral("3"));
}

class EscapeKey : public WindowLayout, public testing::WithParamInterface<const char*> {};

// None of these controls uses the key itself.
TEST_P(EscapeKey, ClosesTheWindowFromAControlThatDoesNotUseIt) {
    QWidget* focused = test.WidgetOf(*test.window.Find(GetParam()));
    focused->setFocus();
    QTest::keyClick(focused, Qt::Key_Escape);
    EXPECT_TRUE(test.window.IsClosed());
    EXPECT_FALSE(test.TopLevel().isVisible());
}

INSTANTIATE_TEST_SUITE_P(Controls, EscapeKey,
                         testing::Values("联机按钮", "隔几秒", "自动读取选择框", "波特率",
                                         "超级列表框1"));

TEST_F(WindowLayout, EscapeInTheTablesEditorOnlyCancelsTheEdit) {
    auto* table = test.WidgetOf<QTableView>(test.table);
    table->setFocus();
    table->setCurrentIndex(table->model()->index(1, 0));
    QTest::keyClick(table, Qt::Key_F2);
    ASSERT_TRUE(test.table.IsEditing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(test.table.IsEditing());
    EXPECT_TRUE(test.window.IsOpen());
}

TEST_F(WindowLayout, CloseButtonClosesTheWindow) {
    test.TopLevel().close();
    EXPECT_TRUE(test.window.IsClosed());
}

TEST_F(WindowLayout, ClosingTheWindowFromTheLogicHidesIt) {
    test.window.Close();
    EXPECT_FALSE(test.TopLevel().isVisible());
}

TEST(WindowPeer, WidgetsOutliveTheirWindowHarmlessly) {
    QtWindowSystem system;
    auto window = std::make_unique<Window>(system.Thread(), "short-lived", 300, 200);
    ListView& table = window->Add<ListView>("table", Bounds{0, 0, 300, 200});
    window->Add<EditBox>("box", Bounds{0, 0, 30, 20});
    table.AddColumn({"a", 100, Alignment::Left});
    table.InsertItem(0, "row");
    QtWindowPeer& peer = system.ShowWindow(*window);
    window->Create();
    window.reset();
    // Neither painting the left-over widgets nor a change of look may reach the controls that
    // have gone.
    EXPECT_FALSE(peer.Widget().grab().isNull());
    system.Thread().EnableVisualStyle(1);
}

}  // namespace
}  // namespace tavr
