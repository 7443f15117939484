#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QRegion>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QtTest/QTest>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "qt_test_window.h"
#include "support/replaced_rows.h"

namespace tavr {
namespace {

const char* OutcomeName(EditOutcome outcome) {
    return outcome == EditOutcome::Confirmed ? "confirmed" : "cancelled";
}

class TablePeer : public testing::Test {
  public:
    void SetUp() override {
        test.table.onEditBegin = [this](std::int32_t row) -> std::optional<bool> {
            test.events.push_back("begin " + std::to_string(row));
            return allowEdit;
        };
        test.table.onEditEnd = [this](std::int32_t row,
                                      EditOutcome outcome) -> std::optional<bool> {
            test.events.push_back("end " + std::to_string(row) + " " + OutcomeName(outcome) +
                                  " cell=" + test.table.GetItemText(row) +
                                  " edit=" + test.table.EditText());
            return std::nullopt;
        };
        test.Open();
        View()->setFocus();
        test.events.clear();
    }

    QTableView* View() const { return test.WidgetOf<QTableView>(test.table); }
    QLineEdit* Editor() const { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }
    QPoint CellCentre(int row, int column) const {
        return View()->visualRect(View()->model()->index(row, column)).center();
    }
    // Makes `row` the current, selected row as the operator would, then forgets the events.
    void SelectRow(int row) {
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, CellCentre(row, 3));
        test.events.clear();
    }
    void StartEditWithF2(int row) {
        SelectRow(row);
        QTest::keyClick(View(), Qt::Key_F2);
        ASSERT_NE(Editor(), nullptr);
    }
    // Enter commits through a queued call; waits for the edit to have ended.
    void PressEnter() {
        QTest::keyClick(Editor(), Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !test.table.IsEditing(); }));
    }

    QtTestWindow test;
    std::optional<bool> allowEdit;
};

TEST_F(TablePeer, EnterConfirmsAndTheTableGetsTheFocusBackWithTheTextInTheCell) {
    StartEditWithF2(1);
    EXPECT_EQ(Editor()->text(), QStringLiteral("00001"));
    EXPECT_EQ(Editor()->selectedText(), QStringLiteral("00001"));
    QTest::keyClicks(Editor(), "123");
    EXPECT_EQ(test.table.EditText(), "123");
    PressEnter();
    // The end-of-edit handler still sees the old cell; the got-focus handler the new text.
    EXPECT_EQ(test.events,
              (std::vector<std::string>{"begin 1", "end 1 confirmed cell=00001 edit=123",
                                        "table focus 123"}));
    EXPECT_EQ(QApplication::focusWidget(), View());
    EXPECT_EQ(View()->model()->index(1, 0).data().toString(), QStringLiteral("123"));
}

TEST_F(TablePeer, EscapeCancelsKeepsTheOldTextAndStillGivesTheFocusBack) {
    StartEditWithF2(1);
    QTest::keyClicks(Editor(), "999");
    QTest::keyClick(Editor(), Qt::Key_Escape);
    EXPECT_EQ(test.events,
              (std::vector<std::string>{"begin 1", "end 1 cancelled cell=00001 edit=00001",
                                        "table focus 00001"}));
    EXPECT_EQ(test.table.GetItemText(1), "00001");
    EXPECT_EQ(QApplication::focusWidget(), View());
}

TEST_F(TablePeer, RefusedEditOpensNoEditor) {
    allowEdit = false;
    SelectRow(1);
    QTest::keyClick(View(), Qt::Key_F2);
    EXPECT_EQ(test.events, (std::vector<std::string>{"begin 1"}));
    EXPECT_FALSE(test.table.IsEditing());
    EXPECT_EQ(QApplication::focusWidget(), View());
}

TEST_F(TablePeer, ClickingAnotherRowEndsTheEditBeforeTheFocusAndTheRowMove) {
    StartEditWithF2(1);
    QTest::keyClicks(Editor(), "55");
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, CellCentre(2, 2));
    EXPECT_EQ(test.events,
              (std::vector<std::string>{"begin 1", "end 1 confirmed cell=00001 edit=55",
                                        "table focus 55", "focused row 2"}));
}

TEST_F(TablePeer, ClickingAnotherControlConfirmsWithoutGivingTheTableTheFocus) {
    StartEditWithF2(1);
    QTest::keyClicks(Editor(), "7");
    QTest::mouseClick(test.WidgetOf(test.connectButton), Qt::LeftButton);
    EXPECT_EQ(test.events, (std::vector<std::string>{"begin 1", "end 1 confirmed cell=00001 edit=7",
                                                     "connect clicked"}));
    EXPECT_EQ(test.table.GetItemText(1), "7");
    EXPECT_TRUE(test.connectButton.HasFocus());
}

TEST_F(TablePeer, MovingTheCurrentRowRaisesFocusedRowChanged) {
    SelectRow(1);
    QTest::keyClick(View(), Qt::Key_Down);
    QTest::keyClick(View(), Qt::Key_Down);
    EXPECT_EQ(test.events, (std::vector<std::string>{"focused row 2", "focused row 3"}));
    EXPECT_EQ(test.table.FocusedRow(), 3);
}

TEST_F(TablePeer, ReplacingRowsDuringAnEditKeepsTheEditorAndWhatWasTyped) {
    StartEditWithF2(3);  // the last row: its position goes and comes back
    QTest::keyClicks(Editor(), "77");
    for (std::int32_t row = 0; row < QtTestWindow::kRows; ++row) {
        test.table.DeleteItem(row);
        test.table.InsertItem(row, "new" + std::to_string(row));
    }
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), QStringLiteral("77"));
    EXPECT_EQ(View()->currentIndex().row(), -1) << "the replaced row lost the focus";
    EXPECT_EQ(View()->model()->index(2, 0).data().toString(), QStringLiteral("new2"));
    PressEnter();
    EXPECT_EQ(test.events, (std::vector<std::string>{"begin 3", "end 3 confirmed cell=new3 edit=77",
                                                     "table focus new1"}));
    EXPECT_EQ(test.table.GetItemText(3), "77");
}

TEST_F(TablePeer, EnterConfirmsAlsoWhenAReplyRewritesTheEditedLastRowMeanwhile) {
    StartEditWithF2(3);
    QTest::keyClicks(Editor(), "88");
    QTest::keyClick(Editor(), Qt::Key_Return);  // confirmation queued
    test.table.DeleteItem(3);                   // meanwhile a reply rewrites the last row
    test.table.InsertItem(3, "new3");
    ASSERT_TRUE(QTest::qWaitFor([this] { return !test.table.IsEditing(); }));
    EXPECT_EQ(test.events, (std::vector<std::string>{"begin 3", "end 3 confirmed cell=new3 edit=88",
                                                     "table focus 00001"}));
    EXPECT_EQ(test.table.GetItemText(3), "88");
}

TEST_F(TablePeer, AnEditorLetGoBeforeItsQueuedConfirmationCancelsNothing) {
    StartEditWithF2(3);
    QTest::keyClicks(Editor(), "88");
    test.table.DeleteItem(3);  // the last row's position goes once the handler has returned,
    QTest::keyClick(Editor(), Qt::Key_Return);  // which is before the queued confirmation
    QCoreApplication::processEvents();
    test.table.InsertItem(3, "new3");
    // The queued confirmation of the editor let go does not end the edit either way.
    EXPECT_TRUE(test.table.IsEditing());
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), QStringLiteral("88"));
    EXPECT_EQ(test.events, (std::vector<std::string>{"begin 3"}));
}

TEST_F(TablePeer, ReplacingEveryRowLeavesTheTableShapeAlone) {
    QAbstractItemModel* model = View()->model();
    int shapeChanges = 0;
    QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] { ++shapeChanges; });
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, [&] { ++shapeChanges; });
    for (std::int32_t row = 0; row < QtTestWindow::kRows; ++row) {
        test.table.DeleteItem(row);
        test.table.InsertItem(row, "new" + std::to_string(row));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(shapeChanges, 0);
    ASSERT_EQ(model->rowCount(), QtTestWindow::kRows);
    EXPECT_EQ(model->index(3, 0).data().toString(), QStringLiteral("new3"));
}

TEST_F(TablePeer, ADeletedRowsPositionGoesOnceTheHandlerHasReturned) {
    QAbstractItemModel* model = View()->model();
    test.table.DeleteItem(1);
    EXPECT_EQ(model->rowCount(), QtTestWindow::kRows);
    EXPECT_EQ(model->index(1, 0).data().toString(), QStringLiteral("00002"));
    EXPECT_EQ(model->index(3, 0).data().toString(), QString());
    QCoreApplication::processEvents();
    EXPECT_EQ(model->rowCount(), QtTestWindow::kRows - 1);
    test.table.InsertItem(-1, "appended");
    EXPECT_EQ(model->rowCount(), QtTestWindow::kRows);
    EXPECT_EQ(model->index(3, 0).data().toString(), QStringLiteral("appended"));
}

// Whether the table's cells, painted as the table paints them, look exactly as the style's own
// item delegate paints them.
bool LooksAsTheStyleDraws(QTableView* view) {
    const QImage own = view->viewport()->grab().toImage();
    QAbstractItemDelegate* delegate = view->itemDelegate();
    QStyledItemDelegate styleOnly;
    view->setItemDelegate(&styleOnly);
    const QImage styled = view->viewport()->grab().toImage();
    view->setItemDelegate(delegate);
    return !own.isNull() && own == styled;
}

TEST_F(TablePeer, CellsLookAsTheStyleDrawsThemAlsoAfterTheirTextsAndWidthsChange) {
    test.table.SetItemText(1, 1, "-1.500A");
    test.table.SetItemText(2, 4, "a remark far too long for its column: the style cuts it short");
    test.table.SetItemText(3, 4, "数据备注项 ℃ 分 秒");
    // too wide only by its trailing spaces, which the style counts too
    test.table.SetItemText(0, 1, "1.5" + std::string(60, ' '));
    SelectRow(2);
    EXPECT_TRUE(LooksAsTheStyleDraws(View())) << "as first painted";
    test.table.SetItemText(1, 1, "+25.0℃");
    EXPECT_TRUE(LooksAsTheStyleDraws(View())) << "after a text changed";
    View()->horizontalHeader()->resizeSection(1, 30);
    View()->horizontalHeader()->resizeSection(4, 500);
    EXPECT_TRUE(LooksAsTheStyleDraws(View())) << "after the widths changed";
    ASSERT_EQ(test.system.Thread().EnableVisualStyle(1), 1);
    EXPECT_TRUE(LooksAsTheStyleDraws(View())) << "in a scheme's style, with its frame";
    test.system.Thread().EnableVisualStyle(0);
    View()->setEnabled(false);
    EXPECT_TRUE(LooksAsTheStyleDraws(View())) << "disabled";
}

TEST_F(TablePeer, TheControlsOwnEditEntryPointsOpenAndCloseTheEditor) {
    ASSERT_TRUE(test.table.BeginEdit(2));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), QStringLiteral("00002"));
    test.table.TypeEditText("42");
    EXPECT_EQ(Editor()->text(), QStringLiteral("42"));
    test.table.ConfirmEdit();
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(View()->model()->index(2, 0).data().toString(), QStringLiteral("42"));
}

struct GestureCase {
    const char* name;
    std::function<void(TablePeer&)> gesture;
};

class EditGestures : public TablePeer, public testing::WithParamInterface<GestureCase> {};

TEST_P(EditGestures, EditTheRowsFirstCell) {
    GetParam().gesture(*this);
    ASSERT_TRUE(QTest::qWaitFor([this] { return test.table.IsEditing(); }));
    EXPECT_EQ(test.table.EditRow(), 2);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(View()->indexAt(Editor()->geometry().center()).column(), 0);
}

INSTANTIATE_TEST_SUITE_P(Operator, EditGestures,
                         testing::Values(GestureCase{"F2AnywhereInTheRow",
                                                     [](TablePeer& t) {
                                                         t.SelectRow(2);
                                                         QTest::keyClick(t.View(), Qt::Key_F2);
                                                     }},
                                         GestureCase{"ClickOnTheSelectedRowsFirstCell",
                                                     [](TablePeer& t) {
                                                         t.SelectRow(2);
                                                         QTest::mouseClick(t.View()->viewport(),
                                                                           Qt::LeftButton, {},
                                                                           t.CellCentre(2, 0));
                                                     }}),
                         [](const auto& info) { return info.param.name; });

// A double-click (the first click's press and release, then the second's) on a cell of row 2.
class DoubleClicks : public TablePeer, public testing::WithParamInterface<int> {};

TEST_P(DoubleClicks, ActivateTheRowWithoutEditingIt) {
    SelectRow(2);
    QWidget* viewport = View()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, CellCentre(2, GetParam()));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, CellCentre(2, GetParam()));
    QTest::qWait(QApplication::doubleClickInterval() + 50);  // a delayed edit would open now
    EXPECT_FALSE(test.table.IsEditing());
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(test.events, std::vector<std::string>{"row activated"});
}

INSTANTIATE_TEST_SUITE_P(Columns, DoubleClicks, testing::Values(0, 4),
                         [](const auto& info) { return "Column" + std::to_string(info.param); });

TEST_F(TablePeer, AReplacedRowLosesItsSelectionAndFocusAndTheOthersKeepTheirs) {
    SelectRow(1);
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(2, 3));
    test.events.clear();
    ASSERT_EQ(test.table.FocusedRow(), 2);
    test.table.DeleteItem(2);
    test.table.InsertItem(2, "new2");
    QCoreApplication::processEvents();
    QItemSelectionModel* selection = View()->selectionModel();
    EXPECT_TRUE(selection->isRowSelected(1, QModelIndex()));
    EXPECT_FALSE(selection->isRowSelected(2, QModelIndex()));
    EXPECT_EQ(View()->currentIndex().row(), -1);
    EXPECT_EQ(test.table.FocusedRow(), -1);

    // Clicking the same row again is a change of the focused row.
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, CellCentre(2, 3));
    EXPECT_EQ(test.events, std::vector<std::string>{"focused row 2"});
}

// Records the region a widget paints.
class PaintRecorder final : public QObject {
  public:
    explicit PaintRecorder(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
    QRegion painted;
};

struct RepaintCase {
    const char* name;
    int selectedRow;  // -1: none
    std::vector<std::pair<int, int>> changedCells;
    std::vector<int> replacedRows;
};

class Repaints : public TablePeer, public testing::WithParamInterface<RepaintCase> {};

// A reply replaces rows, deleting and inserting each: the table repaints the cells whose text
// changed and the rows that lost their selection and focus, and nothing else.
TEST_P(Repaints, OnlyTheChangedCellsAndTheRowsThatLostTheirSelection) {
    const RepaintCase& c = GetParam();
    if (c.selectedRow >= 0) {
        SelectRow(c.selectedRow);
    }
    QCoreApplication::processEvents();
    PaintRecorder recorder(*View()->viewport());
    ReplaceRows(test.table, c.replacedRows, c.changedCells);
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
    }
    for (int row = 0; row < QtTestWindow::kRows; ++row) {
        for (int column = 0; column < test.table.ColumnCount(); ++column) {
            const bool changed =
                std::ranges::find(c.changedCells, std::pair{row, column}) != c.changedCells.end();
            const bool lostSelection =
                row == c.selectedRow &&
                std::ranges::find(c.replacedRows, row) != c.replacedRows.end();
            const QRect inside =
                View()->visualRect(View()->model()->index(row, column)).adjusted(2, 2, -2, -2);
            EXPECT_EQ(recorder.painted.intersects(inside), changed || lostSelection)
                << "cell " << row << "," << column;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Repaints,
    testing::Values(RepaintCase{"NothingChanged", -1, {}, {0, 1, 2, 3}},
                    RepaintCase{"TwoCellsChanged", -1, {{1, 1}, {3, 4}}, {0, 1, 2, 3}},
                    RepaintCase{"TheSelectedRowReplaced", 2, {{0, 0}}, {0, 1, 2, 3}},
                    RepaintCase{"TheSelectedRowKept", 2, {{1, 2}}, {0, 1}}),
    [](const auto& info) { return info.param.name; });

struct ColumnCase {
    int index;
    const char* header;
    int width;
    Qt::Alignment alignment;
};

class Columns : public TablePeer, public testing::WithParamInterface<ColumnCase> {};

TEST_P(Columns, HaveTheirHeaderWidthAndAlignment) {
    const ColumnCase& column = GetParam();
    const QAbstractItemModel* model = View()->model();
    EXPECT_EQ(model->headerData(column.index, Qt::Horizontal).toString(),
              QString::fromUtf8(column.header));
    EXPECT_EQ(View()->horizontalHeader()->sectionSize(column.index), column.width);
    const auto alignment = model->index(0, column.index).data(Qt::TextAlignmentRole);
    EXPECT_EQ(alignment.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask, column.alignment);
    // Only the first column is edited in place.
    EXPECT_EQ((model->flags(model->index(0, column.index)) & Qt::ItemIsEditable) != 0,
              column.index == 0);
}

INSTANTIATE_TEST_SUITE_P(Table, Columns,
                         testing::Values(ColumnCase{0, "10进制结果", 75, Qt::AlignLeft},
                                         ColumnCase{1, "所对应数值", 80, Qt::AlignRight},
                                         ColumnCase{2, "16进制结果", 80, Qt::AlignHCenter},
                                         ColumnCase{3, "数据地址位", 80, Qt::AlignHCenter},
                                         ColumnCase{4, "数据备注项", 360, Qt::AlignLeft}));

TEST_F(TablePeer, IsAReportWithGridLinesAndMovableHeaders) {
    EXPECT_EQ(View()->model()->columnCount(), 5);
    EXPECT_FALSE(View()->verticalHeader()->isVisible());
    EXPECT_TRUE(View()->horizontalHeader()->isVisible());
    EXPECT_TRUE(View()->horizontalHeader()->sectionsMovable());
    EXPECT_TRUE(View()->horizontalHeader()->sectionsClickable());
    EXPECT_TRUE(View()->showGrid());
    EXPECT_EQ(View()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(View()->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(View()->frameShape(), QFrame::Box);
    EXPECT_EQ(View()->lineWidth(), 1);
}

TEST_F(TablePeer, DraggedColumnsKeepTheirIndexes) {
    View()->horizontalHeader()->moveSection(4, 0);
    test.table.SetItemText(0, 4, "remark");
    EXPECT_EQ(View()->model()->index(0, 4).data().toString(), QStringLiteral("remark"));
    EXPECT_EQ(View()->horizontalHeader()->logicalIndex(0), 4);
}

}  // namespace
}  // namespace tavr
