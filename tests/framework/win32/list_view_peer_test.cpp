// The Win32 table on a real list view control: what the operator does through the native
// control reaches the ListView's events in the order the logic relies on, and what the logic
// does to the rows shows in the control without undoing the operator's editor.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "framework/list_view.h"
#include "framework/win32/win32_text.h"
#include "framework/win32/win32_window_system.h"
#include "framework/window.h"
#include "support/replaced_rows.h"

namespace tavr {
namespace {

class Win32ListViewPeerTest : public testing::Test {
  protected:
    Win32ListViewPeerTest()
        : window_(system_.Thread(), "table", 400, 300),
          table_(window_.Add<ListView>("table", Bounds{0, 0, 380, 260})) {
        table_.SetTabStop(true);
        table_.AddColumn({"value", 80, Alignment::Left});
        table_.AddColumn({"remark", 200, Alignment::Left});
        for (int row = 0; row < 3; ++row) {
            table_.InsertItem(row, "0000" + std::to_string(row));
            table_.SetItemText(row, 1, "remark " + std::to_string(row));
        }
        table_.onEditBegin = [this](std::int32_t row) {
            log_.push_back("begin " + std::to_string(row));
            return std::nullopt;
        };
        table_.onEditEnd = [this](std::int32_t row, EditOutcome outcome) {
            log_.push_back((outcome == EditOutcome::Confirmed ? "confirm " : "cancel ") +
                           std::to_string(row) + " " + table_.EditText());
            return std::nullopt;
        };
        table_.onFocusGained = [this] { log_.push_back("focus " + table_.GetItemText(1)); };
        table_.onFocusedRowChanged = [this] {
            log_.push_back("row " + std::to_string(table_.FocusedRow()));
        };
        table_.onRowActivated = [this] { log_.push_back("activated"); };
        peer_ = &system_.ShowWindow(window_);
        window_.Create();
        list_ = peer_->ControlPeers().front()->Handle();
        Pump();
        log_.clear();
    }

    ~Win32ListViewPeerTest() override { window_.Close(); }

    static void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    HWND Editor() const {
        return reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETEDITCONTROL, 0, 0));
    }

    std::string NativeText(int item, int column = 0) const {
        wchar_t buffer[64] = {};
        LVITEMW cell{};
        cell.iSubItem = column;
        cell.pszText = buffer;
        cell.cchTextMax = 64;
        SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&cell));
        return FromWide(buffer);
    }

    UINT NativeState(int item) const {
        return static_cast<UINT>(SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(item),
                                              LVIS_SELECTED | LVIS_FOCUSED));
    }

    // The operator selects `row` in the focused table.
    void SelectRow(int row) {
        SetFocus(list_);
        LVITEMW state{};
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&state));
        Pump();
    }

    // The operator opens the editor on the selected `row` (as F2 does) and types `text`.
    void EditRow(int row, const std::wstring& text) {
        SelectRow(row);
        log_.clear();
        SendMessageW(list_, LVM_EDITLABELW, static_cast<WPARAM>(row), 0);
        ASSERT_NE(Editor(), nullptr);
        SetWindowTextW(Editor(), text.c_str());
        Pump();
    }

    void PressInEditor(WPARAM key) {
        SendMessageW(Editor(), WM_KEYDOWN, key, 0);
        SendMessageW(Editor(), WM_CHAR, key == VK_RETURN ? L'\r' : 0x1B, 0);
        Pump();
    }

    Win32WindowSystem system_;
    Window window_;
    ListView& table_;
    Win32WindowPeer* peer_ = nullptr;
    HWND list_ = nullptr;
    std::vector<std::string> log_;
};

TEST_F(Win32ListViewPeerTest, MirrorsColumnsAndRows) {
    EXPECT_EQ(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(NativeText(2), "00002");
    EXPECT_EQ(NativeText(2, 1), "remark 2");
    table_.SetItemText(1, 1, "带中文的备注");
    EXPECT_EQ(NativeText(1, 1), "带中文的备注");
}

struct EndedEdit {
    const char* name;
    WPARAM key;
    std::vector<std::string> log;
    const char* cell;
};

class Win32ListViewEditEnd : public Win32ListViewPeerTest,
                             public testing::WithParamInterface<EndedEdit> {};

// The end of the edit comes before the table's focus, with the confirmed text already in the
// cell when the focus handler reads it.
TEST_P(Win32ListViewEditEnd, EndsTheEditBeforeTheTableTakesTheFocus) {
    EditRow(1, L"01234");
    PressInEditor(GetParam().key);
    EXPECT_EQ(log_, GetParam().log);
    EXPECT_EQ(table_.GetItemText(1), GetParam().cell);
    EXPECT_EQ(NativeText(1), GetParam().cell);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_FALSE(table_.IsEditing());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, Win32ListViewEditEnd,
    testing::Values(
        EndedEdit{"Enter", VK_RETURN, {"begin 1", "confirm 1 01234", "focus 01234"}, "01234"},
        EndedEdit{"Escape", VK_ESCAPE, {"begin 1", "cancel 1 00001", "focus 00001"}, "00001"}),
    [](const testing::TestParamInfo<EndedEdit>& info) { return std::string(info.param.name); });

TEST_F(Win32ListViewPeerTest, ARefusedEditOpensNoEditor) {
    table_.onEditBegin = [](std::int32_t) { return false; };
    SetFocus(list_);
    SendMessageW(list_, LVM_EDITLABELW, 0, 0);
    Pump();
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_FALSE(table_.IsEditing());
}

TEST_F(Win32ListViewPeerTest, ReplacingRowsKeepsAnOpenEditor) {
    EditRow(1, L"777");
    for (int row = 0; row < 3; ++row) {  // as a decoded reply does
        table_.DeleteItem(row);
        table_.InsertItem(row, "1000" + std::to_string(row));
        table_.SetItemText(row, 1, "new");
    }
    Pump();
    ASSERT_NE(Editor(), nullptr);
    EXPECT_TRUE(table_.IsEditing());
    EXPECT_EQ(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(NativeText(2), "10002");
    EXPECT_EQ(NativeText(0, 1), "new");
    PressInEditor(VK_RETURN);
    EXPECT_EQ(table_.GetItemText(1), "777");
}

TEST_F(Win32ListViewPeerTest, AReplacedRowIsNeitherSelectedNorFocused) {
    SelectRow(2);
    ASSERT_EQ(table_.FocusedRow(), 2);
    EXPECT_EQ(log_, (std::vector<std::string>{"focus 00001", "row 2"}));

    table_.DeleteItem(2);
    table_.InsertItem(2, "99999");
    Pump();
    EXPECT_EQ(NativeState(2), 0U);
    EXPECT_EQ(table_.FocusedRow(), -1);
    EXPECT_EQ(NativeText(2), "99999");
}

// The control shows the table's texts: a buffer too small for one gets it cut, ended in bounds.
TEST_F(Win32ListViewPeerTest, ServesTextsCutToTheControlsBuffer) {
    table_.SetItemText(0, 1, "a remark longer than the buffer");
    wchar_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    LVITEMW cell{};
    cell.iSubItem = 1;
    cell.pszText = buffer;
    cell.cchTextMax = 5;
    SendMessageW(list_, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&cell));
    EXPECT_EQ(std::wstring(cell.pszText), L"a re");
    EXPECT_EQ(buffer[5], L'#');
    EXPECT_EQ(NativeText(7), "");
}

struct TypedSearch {
    const wchar_t* typed;
    UINT flags;
    int start;
    LRESULT found;
};

// What the operator types finds a row by its first text, as the control's own search did.
TEST_F(Win32ListViewPeerTest, FindsRowsByTheirFirstText) {
    for (const TypedSearch& search : {TypedSearch{L"00002", LVFI_STRING, 0, 2},
                                      TypedSearch{L"0000", LVFI_PARTIAL | LVFI_STRING, 1, 1},
                                      TypedSearch{L"0000", LVFI_STRING, 0, -1},
                                      TypedSearch{L"00000", LVFI_STRING | LVFI_WRAP, 1, 0},
                                      TypedSearch{L"00000", LVFI_STRING, 1, -1}}) {
        LVFINDINFOW find{};
        find.flags = search.flags;
        find.psz = search.typed;
        EXPECT_EQ(SendMessageW(list_, LVM_FINDITEMW, static_cast<WPARAM>(search.start),
                               reinterpret_cast<LPARAM>(&find)),
                  search.found)
            << FromWide(search.typed) << " from " << search.start;
    }
}

// A row inserted above a selected one moves the selection down with its row.
TEST_F(Win32ListViewPeerTest, InsertingARowMovesTheSelectionWithItsRow) {
    SelectRow(1);
    table_.InsertItem(0, "new");
    Pump();
    EXPECT_EQ(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(NativeText(0), "new");
    EXPECT_EQ(NativeText(2), "00001");
    EXPECT_EQ(NativeState(1) & LVIS_SELECTED, 0U);
    EXPECT_NE(NativeState(2) & LVIS_SELECTED, 0U);
}

// A changed cell repaints its row once the running handler has returned, and no other row.
TEST_F(Win32ListViewPeerTest, RepaintsTheChangedRowAfterTheHandler) {
    UpdateWindow(list_);
    table_.SetItemText(1, 1, "changed");
    RECT update{};
    EXPECT_FALSE(GetUpdateRect(list_, &update, FALSE));
    MSG message;
    while (PeekMessageW(&message, list_, WM_APP, 0xBFFF, PM_REMOVE) != FALSE) {
        DispatchMessageW(&message);
    }
    RECT above{LVIR_BOUNDS, 0, 0, 0};
    RECT changed{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&above));
    SendMessageW(list_, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&changed));
    ASSERT_TRUE(GetUpdateRect(list_, &update, FALSE));
    EXPECT_LE(update.top, changed.top);
    EXPECT_GE(update.bottom, changed.bottom);
    EXPECT_GE(update.top, above.bottom);
    EXPECT_EQ(NativeText(1, 1), "changed");
}

struct RepaintCase {
    const char* name;
    std::vector<std::pair<int, int>> changedCells;
};

class Win32ListViewRepaints : public Win32ListViewPeerTest,
                              public testing::WithParamInterface<RepaintCase> {};

// A reply replaces every row, deleting and inserting each: once the handler has returned, the
// cells whose texts changed are invalidated, and no other.
TEST_P(Win32ListViewRepaints, OnlyTheChangedCellsOfReplacedRows) {
    const RepaintCase& c = GetParam();
    UpdateWindow(list_);
    ReplaceRows(table_, std::vector<int>{0, 1, 2}, c.changedCells);
    MSG message;
    while (PeekMessageW(&message, list_, WM_APP, 0xBFFF, PM_REMOVE) != FALSE) {
        DispatchMessageW(&message);
    }
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(list_, update, FALSE);
    for (int row = 0; row < table_.RowCount(); ++row) {
        for (int column = 0; column < table_.ColumnCount(); ++column) {
            RECT cell{column == 0 ? LVIR_LABEL : LVIR_BOUNDS, column, 0, 0};
            SendMessageW(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(&cell));
            const bool changed = std::find(c.changedCells.begin(), c.changedCells.end(),
                                           std::pair{row, column}) != c.changedCells.end();
            EXPECT_EQ(PtInRegion(update, (cell.left + cell.right) / 2,
                                 (cell.top + cell.bottom) / 2) != FALSE,
                      changed)
                << "cell " << row << "," << column;
        }
    }
    DeleteObject(update);
}

INSTANTIATE_TEST_SUITE_P(Replies, Win32ListViewRepaints,
                         testing::Values(RepaintCase{"NothingChanged", {}},
                                         RepaintCase{"OneValue", {{1, 1}}},
                                         RepaintCase{"ItemTextAndRemark", {{0, 0}, {2, 1}}}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Win32ListViewPeerTest, ADeletedRowThatNoInsertionTakesGoes) {
    table_.DeleteItem(0);
    Pump();
    EXPECT_EQ(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(NativeText(0), "00001");
}

TEST_F(Win32ListViewPeerTest, ActivatingARowNeitherEditsNorFocusesIt) {
    NMITEMACTIVATE activate{};
    activate.hdr.hwndFrom = list_;
    activate.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list_));
    activate.hdr.code = LVN_ITEMACTIVATE;
    activate.iItem = 1;
    SendMessageW(GetParent(list_), WM_NOTIFY, activate.hdr.idFrom,
                 reinterpret_cast<LPARAM>(&activate));
    EXPECT_EQ(log_, std::vector<std::string>{"activated"});
    EXPECT_EQ(Editor(), nullptr);
}

}  // namespace
}  // namespace tavr
