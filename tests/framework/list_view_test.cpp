#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/headless_window_thread.h"
#include "framework/list_view.h"
#include "framework/window.h"

namespace tavr {
namespace {

class Table : public testing::Test {
  protected:
    Table() {
        for (const char* header :
             {"10进制结果", "所对应数值", "16进制结果", "数据地址位", "数据备注项"}) {
            list.AddColumn({header, 80, Alignment::Left});
        }
    }

    // Fills the table with rows "r0", "r1", ... and opens the window.
    void Open(std::int32_t rows) {
        for (std::int32_t row = 0; row < rows; ++row) {
            list.InsertItem(row, "r" + std::to_string(row));
        }
        window.Create();
    }

    std::vector<Text> ItemTexts() const {
        std::vector<Text> texts;
        for (std::int32_t row = 0; row < list.RowCount(); ++row) {
            texts.push_back(list.GetItemText(row));
        }
        return texts;
    }

    HeadlessWindowThread headless;
    Window window{headless.Thread(), "main", 695, 670};
    ListView& list = window.Add<ListView>("超级列表框1", Bounds{1, 43, 687, 597});
};

struct InsertCase {
    const char* name;
    std::int32_t at;
    std::int32_t index;
    std::vector<Text> texts;
};

class Inserts : public Table, public testing::WithParamInterface<InsertCase> {};

TEST_P(Inserts, PlaceTheRowAndReportItsIndex) {
    Open(3);
    EXPECT_EQ(list.InsertItem(GetParam().at, "new"), GetParam().index);
    EXPECT_EQ(ItemTexts(), GetParam().texts);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Inserts,
    testing::Values(InsertCase{"BeyondTheEndAppends", 5, 3, {"r0", "r1", "r2", "new"}},
                    InsertCase{"JustPastTheLastAppends", 3, 3, {"r0", "r1", "r2", "new"}},
                    InsertCase{"NegativeAppends", -1, 3, {"r0", "r1", "r2", "new"}},
                    InsertCase{"FirstShiftsTheOthers", 0, 0, {"new", "r0", "r1", "r2"}},
                    InsertCase{"InnerShiftsTheRest", 1, 1, {"r0", "new", "r1", "r2"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(Table, DeleteItemRemovesOnlyExistingRows) {
    Open(3);
    EXPECT_FALSE(list.DeleteItem(3));
    EXPECT_FALSE(list.DeleteItem(-1));
    EXPECT_TRUE(list.DeleteItem(1));
    EXPECT_EQ(ItemTexts(), (std::vector<Text>{"r0", "r2"}));
}

struct CellCase {
    const char* name;
    std::int32_t row;
    std::int32_t column;
    bool written;
};

class CellWrites : public Table, public testing::WithParamInterface<CellCase> {};

TEST_P(CellWrites, SucceedOnlyOnExistingCellsAndReadBackTheSame) {
    Open(3);
    const auto [name, row, column, written] = GetParam();
    EXPECT_EQ(list.SetItemText(row, column, "x"), written);
    EXPECT_EQ(list.GetItemText(row, column), written ? "x" : "");
}

INSTANTIATE_TEST_SUITE_P(Cells, CellWrites,
                         testing::Values(CellCase{"ItemText", 2, 0, true},
                                         CellCase{"LastSubItem", 0, 4, true},
                                         CellCase{"MissingRow", 3, 0, false},
                                         CellCase{"NegativeRow", -1, 0, false},
                                         CellCase{"MissingColumn", 0, 5, false},
                                         CellCase{"NegativeColumn", 0, -1, false}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Table, LongTextsComeBackWhole) {
    Open(1);
    const Text remark(600, 'a');
    ASSERT_TRUE(list.SetItemText(0, 4, remark));
    EXPECT_EQ(list.GetItemText(0, 4), remark);
    EXPECT_EQ(list.GetItemText(0, 3), "");  // never written
}

// An edit of row 1 driven to its end, recording what the handlers saw.
struct EditCase {
    const char* name;
    std::optional<bool> beginResult;
    std::optional<bool> endResult;
    bool confirm;
    bool began;
    EditOutcome outcome;
    Text editTextSeen;
    Text itemText;
};

class Edits : public Table, public testing::WithParamInterface<EditCase> {};

TEST_P(Edits, EndAsTheHandlersAndTheOperatorDecide) {
    Open(3);
    std::vector<EditOutcome> outcomes;
    Text editTextSeen;
    Text itemTextSeen;
    list.onEditBegin = [&](std::int32_t row) {
        EXPECT_EQ(row, 1);
        return GetParam().beginResult;
    };
    list.onEditEnd = [&](std::int32_t row, EditOutcome outcome) {
        EXPECT_EQ(row, 1);
        outcomes.push_back(outcome);
        editTextSeen = list.EditText();
        itemTextSeen = list.GetItemText(1);
        return GetParam().endResult;
    };

    EXPECT_EQ(list.BeginEdit(1), GetParam().began);
    list.TypeEditText("01234");
    GetParam().confirm ? list.ConfirmEdit() : list.CancelEdit();

    if (GetParam().began) {
        EXPECT_EQ(outcomes, std::vector<EditOutcome>{GetParam().outcome});
        EXPECT_EQ(editTextSeen, GetParam().editTextSeen);
        EXPECT_EQ(itemTextSeen, "r1");  // the text is applied only when the handler is over
    } else {
        EXPECT_TRUE(outcomes.empty());
    }
    EXPECT_EQ(list.GetItemText(1), GetParam().itemText);
    EXPECT_EQ(list.EditText(), "");
    EXPECT_FALSE(list.IsEditing());
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, Edits,
    testing::Values(EditCase{"ConfirmedTextBecomesTheItemText", std::nullopt, std::nullopt, true,
                             true, EditOutcome::Confirmed, "01234", "01234"},
                    EditCase{"TrueFromBeginLetsTheEditStart", true, std::nullopt, true, true,
                             EditOutcome::Confirmed, "01234", "01234"},
                    EditCase{"TrueFromEndKeepsTheDefault", std::nullopt, true, true, true,
                             EditOutcome::Confirmed, "01234", "01234"},
                    EditCase{"FalseFromEndRejectsTheText", std::nullopt, false, true, true,
                             EditOutcome::Confirmed, "01234", "r1"},
                    EditCase{"CancelledKeepsTheOldText", std::nullopt, std::nullopt, false, true,
                             EditOutcome::Cancelled, "r1", "r1"},
                    EditCase{"CancelledWritesNothingEvenIfEndSaysTrue", std::nullopt, true, false,
                             true, EditOutcome::Cancelled, "r1", "r1"},
                    EditCase{"FalseFromBeginRefusesTheEdit", false, std::nullopt, true, false,
                             EditOutcome::Confirmed, "", "r1"}),
    [](const auto& info) { return info.param.name; });

TEST_F(Table, EditsStartOnlyOnExistingRowsOneAtATime) {
    Open(2);
    int begins = 0;
    list.onEditBegin = [&](std::int32_t) {
        ++begins;
        return std::nullopt;
    };
    EXPECT_FALSE(list.BeginEdit(-1));
    EXPECT_FALSE(list.BeginEdit(2));
    EXPECT_TRUE(list.BeginEdit(0));
    EXPECT_FALSE(list.BeginEdit(1));
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(list.EditText(), "r0");  // the editor opens with the row's text
}

// The usual edit: focus on the table, edit, confirm, focus back. The got-focus handler must find
// the confirmed text in the cell.
TEST_F(Table, FocusReturningAfterAnEditRaisesGotFocusWithTheTextInPlace) {
    Open(3);
    std::vector<Text> focusSaw;
    list.onFocusGained = [&] { focusSaw.push_back(list.GetItemText(2)); };
    list.Focus();
    ASSERT_TRUE(list.BeginEdit(2));
    EXPECT_FALSE(list.HasFocus());  // the editor has it
    list.TypeEditText("5");
    list.ConfirmEdit();
    list.Focus();
    EXPECT_EQ(focusSaw, (std::vector<Text>{"r2", "5"}));
}

TEST_F(Table, FocusedRowChangesOnlyWhenTheOperatorMovesIt) {
    Open(3);
    int changes = 0;
    list.onFocusedRowChanged = [&] { ++changes; };
    list.FocusRow(1);
    list.FocusRow(1);
    list.FocusRow(7);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.FocusedRow(), 1);

    // Replacing every row, as decoding a reply does, takes the focus away, silently; focusing
    // the same row again is a change.
    for (std::int32_t row = 0; row < 3; ++row) {
        list.DeleteItem(row);
        list.InsertItem(row, "new");
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.FocusedRow(), -1);

    list.FocusRow(1);
    EXPECT_EQ(changes, 2);
}

TEST_F(Table, ActivatingARowNeitherFocusesNorEditsIt) {
    Open(3);
    int activations = 0;
    list.onRowActivated = [&] { ++activations; };
    list.onFocusedRowChanged = [] { ADD_FAILURE() << "focused row changed"; };
    list.ActivateRow(2);
    list.ActivateRow(5);  // no such row
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(list.FocusedRow(), -1);
    EXPECT_FALSE(list.IsEditing());
}

TEST_F(Table, FocusedPositionReadsNoneWhileNoRowStandsThere) {
    Open(3);
    list.FocusRow(2);
    list.DeleteItem(0);
    EXPECT_EQ(list.FocusedRow(), -1);
    list.InsertItem(-1, "back");
    EXPECT_EQ(list.FocusedRow(), 2);
}

// Reading the meter during an edit replaces the rows under the editor: the confirmed text goes
// to the row standing at the edited position when the edit ends.
TEST_F(Table, AnOpenEditSurvivesItsRowBeingReplaced) {
    Open(3);
    ASSERT_TRUE(list.BeginEdit(1));
    list.TypeEditText("300");
    list.DeleteItem(1);
    list.InsertItem(1, "fresh");
    list.ConfirmEdit();
    EXPECT_EQ(list.GetItemText(1), "300");
}

TEST_F(Table, ClosingTheWindowDropsAnOpenEditWithoutEndingIt) {
    Open(1);
    int ends = 0;
    list.onEditEnd = [&](std::int32_t, EditOutcome) {
        ++ends;
        return std::nullopt;
    };
    ASSERT_TRUE(list.BeginEdit(0));
    window.Close();
    list.ConfirmEdit();
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(list.GetItemText(0), "r0");
}

// Mirrors rows and cells as the peer of a list view sees them.
class RecordingListPeer final : public ControlPeer {
  public:
    void FocusedRowChanged() override { events.push_back("focused row"); }
    void RowInserted(std::int32_t row) override {
        events.push_back("insert " + std::to_string(row));
    }
    void RowDeleted(std::int32_t row) override {
        events.push_back("delete " + std::to_string(row));
    }
    void CellChanged(std::int32_t row, std::int32_t column) override {
        events.push_back("cell " + std::to_string(row) + "," + std::to_string(column));
    }
    std::vector<std::string> events;
};

TEST_F(Table, PeerHearsRowsCellsAndTheFocusedRow) {
    Open(2);
    RecordingListPeer peer;
    list.AttachPeer(&peer);
    EXPECT_EQ(peer.events, (std::vector<std::string>{"focused row"}));  // shown on attaching
    peer.events.clear();
    list.FocusRow(1);
    list.SetItemText(0, 1, "1.0");
    list.DeleteItem(1);  // the focused row goes, and the focus with it
    list.InsertItem(0, "top");
    EXPECT_EQ(peer.events, (std::vector<std::string>{"focused row", "cell 0,1", "delete 1",
                                                     "focused row", "insert 0"}));
}

// Replacing a row in place must be indistinguishable from deleting it, inserting a new one at
// its index and writing its further cells: same rows, focus, edit and peer notices.
struct ReplaceCase {
    const char* name;
    std::int32_t rows;
    std::int32_t focused;  // -1: none
    std::int32_t editing;  // -1: none
    std::int32_t replaced;
    std::vector<Text> cells;
};

class Replacements : public Table, public testing::WithParamInterface<ReplaceCase> {};

TEST_P(Replacements, MatchDeletingAndInsertingAtTheSameIndex) {
    const ReplaceCase& c = GetParam();
    Window otherWindow{headless.Thread(), "other", 695, 670};
    ListView& other = otherWindow.Add<ListView>("超级列表框1", Bounds{1, 43, 687, 597});
    for (const ListColumn& column : list.Columns()) {
        other.AddColumn(column);
    }
    Open(c.rows);
    for (std::int32_t row = 0; row < c.rows; ++row) {
        other.InsertItem(row, "r" + std::to_string(row));
    }
    otherWindow.Create();
    RecordingListPeer peer;
    RecordingListPeer otherPeer;
    for (auto [table, recorder] : {std::pair{&list, &peer}, std::pair{&other, &otherPeer}}) {
        table->FocusRow(c.focused);
        if (c.editing >= 0) {
            ASSERT_TRUE(table->BeginEdit(c.editing));
        }
        table->AttachPeer(recorder);
    }

    std::vector<Text> texts = c.cells;
    std::vector<Text*> cells;
    for (Text& text : texts) {
        cells.push_back(&text);
    }
    const std::int32_t index = list.ReplaceItem(c.replaced, cells);
    other.DeleteItem(c.replaced);
    const std::int32_t otherIndex =
        other.InsertItem(c.replaced, c.cells.empty() ? Text() : c.cells[0]);
    for (std::size_t cell = 1; cell < c.cells.size(); ++cell) {
        other.SetItemText(otherIndex, static_cast<std::int32_t>(cell), c.cells[cell]);
    }

    EXPECT_EQ(index, otherIndex);
    EXPECT_EQ(peer.events, otherPeer.events);
    EXPECT_EQ(list.FocusedRow(), other.FocusedRow());
    EXPECT_EQ(list.EditRow(), other.EditRow());
    ASSERT_EQ(list.RowCount(), other.RowCount());
    for (std::int32_t row = 0; row < list.RowCount(); ++row) {
        for (std::int32_t column = 0; column < list.ColumnCount(); ++column) {
            EXPECT_EQ(list.GetItemText(row, column), other.GetItemText(row, column))
                << row << "," << column;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Replacements,
    testing::Values(
        ReplaceCase{"AnUnfocusedRow", 3, 0, -1, 1, {"a", "b", "c", "d", "e"}},
        ReplaceCase{"TheFocusedRow", 3, 1, -1, 1, {"a", "b", "c", "d", "e"}},
        ReplaceCase{"ARowAboveTheFocusedLastRow", 3, 2, -1, 0, {"a", "b"}},
        ReplaceCase{"TheEditedRow", 3, -1, 1, 1, {"a", "b", "c", "d", "e"}},
        ReplaceCase{"OnlyTheItemText", 2, -1, -1, 0, {"a"}},
        ReplaceCase{"NoTexts", 2, -1, -1, 1, {}},
        ReplaceCase{"MoreCellsThanColumns", 2, -1, -1, 0, {"a", "b", "c", "d", "e", "f"}},
        ReplaceCase{"ARowPastTheEnd", 2, 1, -1, 2, {"a", "b", "c", "d", "e"}},
        ReplaceCase{"TheFirstRowOfAnEmptyTable", 0, -1, -1, 0, {"a", "b", "c", "d", "e"}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tavr
