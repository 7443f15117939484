#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/button.h"
#include "framework/check_box.h"
#include "framework/combo_box.h"
#include "framework/edit_box.h"
#include "framework/headless_window_thread.h"
#include "framework/shape_box.h"
#include "framework/window.h"

namespace tavr {
namespace {

class Controls : public testing::Test {
  protected:
    HeadlessWindowThread headless;
    Window window{headless.Thread(), "main", 695, 670};
};

// Records the calls the control makes about its common properties and a shape's look, in order.
class RecordingPeer final : public ControlPeer {
  public:
    void BoundsChanged() override { calls.push_back("bounds"); }
    void TagChanged() override { calls.push_back("tag"); }
    void VisibleChanged() override { calls.push_back("visible"); }
    void EnabledChanged() override { calls.push_back("enabled"); }
    void MousePointerChanged() override { calls.push_back("pointer"); }
    void ShapeChanged() override { calls.push_back("shape"); }
    void OutlineChanged() override { calls.push_back("outline"); }
    void FillChanged() override { calls.push_back("fill"); }
    void ToolTipChanged() override { calls.push_back("tool tip"); }
    std::vector<std::string> calls;
};

struct SelectionCase {
    const char* name;
    std::int32_t entries;
    std::int32_t written;
    std::int32_t selection;
    const char* content;
};

class ComboSelection : public Controls, public testing::WithParamInterface<SelectionCase> {};

TEST_P(ComboSelection, ClampsToTheEntries) {
    auto& combo = window.Add<ComboBox>("设备ID", Bounds{261, 13, 50, 20});
    for (std::int32_t id = 1; id <= GetParam().entries; ++id) {
        combo.AddEntry(std::to_string(id), id);
    }
    combo.SetCurrentSelection(3);  // an earlier selection the write replaces
    combo.SetCurrentSelection(GetParam().written);
    EXPECT_EQ(combo.CurrentSelection(), GetParam().selection);
    EXPECT_EQ(combo.Content(), GetParam().content);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, ComboSelection,
    testing::Values(SelectionCase{"AboveLastSelectsLast", 50, 99, 49, "50"},
                    SelectionCase{"JustAboveLast", 50, 50, 49, "50"},
                    SelectionCase{"Last", 50, 49, 49, "50"}, SelectionCase{"First", 50, 0, 0, "1"},
                    SelectionCase{"MinusOneSelectsNothing", 50, -1, -1, ""},
                    SelectionCase{"BelowMinusOneSelectsNothing", 50, -5, -1, ""},
                    SelectionCase{"EmptyListHasNothingToSelect", 0, 3, -1, ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(Controls, ComboPickRaisesOnlyForANewEntryTheOperatorCanPick) {
    auto& combo = window.Add<ComboBox>("波特率");
    for (const char* rate : {"2400", "4800", "9600"}) {
        combo.AddEntry(rate, std::stoi(rate));
    }
    int changes = 0;
    combo.onSelectionChanged = [&] { ++changes; };
    window.Create();
    combo.Pick(2);
    combo.Pick(2);
    combo.Pick(7);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo.Content(), "9600");
    EXPECT_EQ(combo.Entries()[2].itemValue, 9600);
}

struct CheckedCase {
    std::int32_t written;
    std::int32_t read;
};

class CheckedWrites : public Controls, public testing::WithParamInterface<CheckedCase> {};

TEST_P(CheckedWrites, OnlyOneTicks) {
    auto& box = window.Add<CheckBox>("自动读取选择框");
    box.SetChecked(1);
    box.SetChecked(GetParam().written);
    EXPECT_EQ(box.Checked(), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(Values, CheckedWrites,
                         testing::Values(CheckedCase{1, 1}, CheckedCase{0, 0}, CheckedCase{2, 0},
                                         CheckedCase{-1, 0}, CheckedCase{257, 0}),
                         [](const auto& info) {
                             const std::int32_t value = info.param.written;
                             return value < 0 ? "Minus" + std::to_string(-value)
                                              : "Written" + std::to_string(value);
                         });

TEST_F(Controls, CheckBoxClickFlipsTheTickBeforeTheHandlerRuns) {
    auto& box = window.Add<CheckBox>("自动读取选择框");
    std::vector<std::int32_t> seen;
    box.onClicked = [&] { seen.push_back(box.Checked()); };
    window.Create();
    box.Click();
    box.Click();
    EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 0}));
}

TEST_F(Controls, OperatorInputCountsOnlyWhileTheWindowIsOpenAndTheControlUsable) {
    auto& button = window.Add<Button>("联机按钮");
    auto& period = window.Add<EditBox>("隔几秒");
    int clicks = 0;
    int changes = 0;
    button.onClicked = [&] { ++clicks; };
    period.onContentChanged = [&] { ++changes; };

    button.Click();  // before the created event
    window.onCreated = [&] { EXPECT_EQ(clicks, 0); };
    window.Create();
    button.Click();
    button.SetDisabled(true);
    button.Click();
    button.SetDisabled(false);
    button.SetVisible(false);
    button.Click();
    button.SetVisible(true);
    period.Type("5");
    period.Type("5");        // no change, no event
    period.SetContent("7");  // the logic's own write raises nothing
    window.Close();
    button.Click();
    period.Type("9");

    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(period.Content(), "7");
}

TEST_F(Controls, CreatedIsRaisedOnceAfterAllControlsExist) {
    window.Add<Button>("读取数据");
    window.Add<ShapeBox>("外形框1");
    int created = 0;
    window.onCreated = [&] {
        ++created;
        EXPECT_NE(window.Find<ShapeBox>("外形框1"), nullptr);
    };
    window.Create();
    window.Create();
    EXPECT_EQ(created, 1);
}

TEST_F(Controls, FindsControlsByNameAndKindInCreationOrder) {
    window.Add<EditBox>("修改最大限制");
    window.Add<Button>("读取数据");
    window.Add<EditBox>("临时转换框");
    EXPECT_NE(window.Find<Button>("读取数据"), nullptr);
    EXPECT_EQ(window.Find<EditBox>("读取数据"), nullptr);
    EXPECT_EQ(window.Find("端口1"), nullptr);
    ASSERT_EQ(window.Controls().size(), 3u);
    EXPECT_EQ(window.Controls()[2]->Name(), "临时转换框");
}

TEST_F(Controls, FocusMovesBetweenControlsRaisingLostThenGained) {
    auto& first = window.Add<Button>("联机按钮");
    auto& second = window.Add<Button>("读取数据");
    std::vector<std::string> events;
    first.onFocusGained = [&] { events.push_back("first gained"); };
    first.onFocusLost = [&] { events.push_back("first lost"); };
    second.onFocusGained = [&] { events.push_back("second gained"); };
    window.Create();
    first.Focus();
    first.Focus();
    second.Focus();
    EXPECT_EQ(events, (std::vector<std::string>{"first gained", "first lost", "second gained"}));
    EXPECT_TRUE(second.HasFocus());
}

TEST_F(Controls, PeerHearsEveryPropertyOnAttachingThenEveryWrite) {
    auto& lamp = window.Add<ShapeBox>("外形框1", Bounds{318, 12, 20, 20});
    RecordingPeer peer;
    lamp.AttachPeer(&peer);
    EXPECT_EQ(peer.calls,
              (std::vector<std::string>{"bounds", "tag", "visible", "enabled", "pointer", "shape",
                                        "outline", "fill", "tool tip"}));
    peer.calls.clear();
    lamp.SetFillColour(0xFF);
    lamp.SetFillColour(0xFF);  // the colour it has: nothing to show
    lamp.SetTag("lamp");
    lamp.SetOutlineWidth(2);
    lamp.AttachPeer(nullptr);
    lamp.SetFillColour(0xFF00);
    EXPECT_EQ(peer.calls, (std::vector<std::string>{"fill", "tag", "outline"}));
    EXPECT_EQ(lamp.FillColour(), 0xFF00u);
}

}  // namespace
}  // namespace tavr
