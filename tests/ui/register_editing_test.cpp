#include <ostream>

#include "meter_program_test.h"

namespace tavr {
namespace {

constexpr const char* kReadFromDevice1 = "01 03 00 00 00 23 04 13";
constexpr const char* kWrite1234To0009H = "01 06 00 09 04 D2 DB 55";

// The meter answers a write with an echo of the request.
ByteSet Echo(const ByteSet& request) {
    return request;
}

class Editing : public ConnectedProgramTest {
  protected:
    ListView& Table() { return C().超级列表框1; }
};

TEST_F(Editing, EnterWritesTheRegisterAndReadsAllAgain100MillisecondsLater) {
    C().自动读取选择框.Click();
    ASSERT_TRUE(Table().BeginEdit(9));
    EXPECT_FALSE(C().时钟2.IsRunning());
    Table().TypeEditText("01234");
    Table().ConfirmEdit();
    EXPECT_TRUE(Port().sent.empty());

    Table().Focus();
    EXPECT_EQ(Sent(), std::vector<std::string>{kWrite1234To0009H});
    EXPECT_EQ(Lamp(), kRed);
    EXPECT_EQ(C().时钟1.Interval(), 100);

    Advance(99);
    Receive(Echo(Port().sent.back()));
    EXPECT_EQ(Lamp(), kGreen);
    EXPECT_EQ(Sent().size(), 1u);
    const std::int64_t rereadAt = Now() + 1;
    Advance(1);
    EXPECT_EQ(Sent(), (std::vector<std::string>{kWrite1234To0009H, kReadFromDevice1}));
    EXPECT_EQ(C().时钟1.Interval(), 0);
    // Auto-read restarts after the re-read's 200 ms pause for the answer.
    EXPECT_EQ(C().时钟2.Interval(), 3000);
    EXPECT_EQ(NextTick(C().时钟2), rereadAt + 200 + 3000);

    Receive(ReplyFrame(Registers({{0x09, 1234}})));
    EXPECT_EQ(Row(9)[0], "01234");
    EXPECT_EQ(Row(9)[1], "123.4Ah");
}

TEST_F(Editing, WithoutAnAnswerToTheWriteTheReReadSendsNothing) {
    ConfirmEdit(9, "1234");
    Table().Focus();
    const std::int64_t writtenAt = Now();
    Advance(100);
    EXPECT_EQ(Sent(), std::vector<std::string>{kWrite1234To0009H});
    EXPECT_EQ(Lamp(), kRed);
    EXPECT_FALSE(C().时钟1.IsRunning());
    EXPECT_FALSE(C().时钟2.IsRunning());  // the box is not ticked

    // The write is taken as lost once the line's time-out has passed since it went out.
    Advance(writtenAt + 999 - Now());
    ClickRead();
    EXPECT_EQ(Sent().size(), 1u);
    Advance(1);
    ClickRead();
    EXPECT_EQ(Sent(), (std::vector<std::string>{kWrite1234To0009H, kReadFromDevice1}));
}

TEST_F(Editing, AWriteGoesOutWhileARequestIsOutstanding) {
    ClickRead();
    ASSERT_EQ(Lamp(), kRed);
    ConfirmEdit(9, "1234");
    Table().Focus();
    EXPECT_EQ(Sent(), (std::vector<std::string>{kReadFromDevice1, kWrite1234To0009H}));
}

TEST_F(Editing, AnEditOpenedBeforeTheReReadIsWrittenWhenItEnds) {
    C().自动读取选择框.Click();
    ConfirmEdit(9, "1234");
    Table().Focus();
    Receive(Echo(Port().sent.back()));
    Advance(50);
    ASSERT_TRUE(Table().BeginEdit(3));
    Advance(50);  // the re-read falls due while the editor is open
    EXPECT_EQ(Sent(), std::vector<std::string>{kWrite1234To0009H});
    EXPECT_FALSE(C().时钟1.IsRunning());
    EXPECT_FALSE(C().时钟2.IsRunning());
    Receive(ReplyFrame(Registers({{0x09, 777}})));
    EXPECT_EQ(Row(9)[0], "1234");

    Table().TypeEditText("7");
    Table().ConfirmEdit();
    Table().Focus();
    EXPECT_EQ(Sent().back(), "01 06 00 03 00 07 38 08");
    Receive(Echo(Port().sent.back()));
    Advance(100);
    EXPECT_EQ(Sent().back(), kReadFromDevice1);
    EXPECT_TRUE(C().时钟2.IsRunning());
}

TEST_F(Editing, FocusingTheTableOutsideAnEditArmsNoReRead) {
    Table().Focus();
    EXPECT_FALSE(C().时钟1.IsRunning());
    Advance(1000);
    EXPECT_TRUE(Port().sent.empty());
}

TEST_F(Editing, WhileAnEditIsOpenAutoReadDoesNotTick) {
    C().自动读取选择框.Click();
    ASSERT_TRUE(Table().BeginEdit(9));
    Advance(10000);
    EXPECT_TRUE(Port().sent.empty());
}

struct TypedValue {
    const char* name;
    std::int32_t row;
    const char* typed;
    const char* frame;
    friend void PrintTo(const TypedValue& value, std::ostream* out) { *out << value.name; }
};

class TypedValues : public Editing, public testing::WithParamInterface<TypedValue> {};

TEST_P(TypedValues, AreWrittenAsWholeNumbersWithinTheRegistersLimits) {
    ConfirmEdit(GetParam().row, GetParam().typed);
    Table().Focus();
    EXPECT_EQ(Sent(), std::vector<std::string>{GetParam().frame});
    EXPECT_EQ(Table().GetItemText(GetParam().row), GetParam().typed);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TypedValues,
    testing::Values(TypedValue{"LeadingZero", 9, "01234", kWrite1234To0009H},
                    TypedValue{"Fraction", 9, "300.7", "01 06 00 09 01 2C 59 85"},
                    TypedValue{"TrailingLetters", 9, "12abc", "01 06 00 09 00 0C 59 CD"},
                    TypedValue{"FullWidth", 9, "５００", "01 06 00 09 01 F4 59 DF"},
                    TypedValue{"AboveTheLargestRawValue", 2, "70000", "01 06 00 02 FF FF 29 BA"},
                    TypedValue{"AboveTheRowsMaximum", 0, "60", "01 06 00 00 00 32 08 1F"},
                    TypedValue{"AboveTheInt32Range", 9, "4294967301", "01 06 00 09 27 10 43 F4"},
                    TypedValue{"Negative", 9, "-5", "01 06 00 09 00 00 59 C8"},
                    TypedValue{"BelowTheInt32Range", 9, "-4294967301", "01 06 00 09 00 00 59 C8"},
                    TypedValue{"NoDigits", 9, "abc", "01 06 00 09 00 00 59 C8"},
                    TypedValue{"Empty", 9, "", "01 06 00 09 00 00 59 C8"}),
    [](const auto& info) { return info.param.name; });

TEST_F(Editing, ANewDeviceAddressMovesTheSelectorAndIsRemembered) {
    ConfirmEdit(0, "5");
    Table().Focus();
    EXPECT_EQ(Sent(), std::vector<std::string>{"01 06 00 00 00 05 49 C9"});
    EXPECT_EQ(C().设备ID.Content(), "5");
    EXPECT_EQ(Stored("Modbus_id"), "4");

    Receive(Echo(Port().sent.back()));
    Advance(100);
    EXPECT_EQ(Sent().back(), "05 03 00 00 00 23 05 97");
}

TEST_F(Editing, DeviceAddressZeroLeavesTheSelectorEmptyAndAddressesSlaveZero) {
    ConfirmEdit(0, "0");
    Table().Focus();
    EXPECT_EQ(Sent(), std::vector<std::string>{"01 06 00 00 00 00 89 CA"});
    EXPECT_EQ(C().设备ID.CurrentSelection(), -1);
    EXPECT_EQ(C().设备ID.Content(), "");
    EXPECT_EQ(Stored("Modbus_id"), "-1");

    Receive(Echo(Port().sent.back()));
    Advance(100);
    EXPECT_EQ(Sent().back(), "00 03 00 00 00 23 05 C2");
}

TEST_F(Editing, AWriteWithThePortClosedStillTurnsTheLampRedAndFollowsTheAddress) {
    ClickConnect();  // disconnect
    ConfirmEdit(0, "5");
    Table().Focus();
    EXPECT_TRUE(Port().sent.empty());
    EXPECT_EQ(Lamp(), kRed);
    EXPECT_EQ(C().设备ID.Content(), "5");
    EXPECT_EQ(Stored("Modbus_id"), "4");
}

TEST_F(Editing, AChangeOfTheFocusedRowWritesWithoutAReRead) {
    ConfirmEdit(9, "1234");
    Table().FocusRow(10);
    EXPECT_EQ(Sent(), std::vector<std::string>{kWrite1234To0009H});
    EXPECT_EQ(Lamp(), kRed);
    EXPECT_FALSE(C().时钟1.IsRunning());

    // Still editing as far as the collection goes: nothing is read until a read request.
    Receive(ReplyFrame(Registers({{0x09, 777}})));
    Advance(10000);
    EXPECT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Row(9)[0], "1234");
}

class WriteMoments : public Editing, public testing::WithParamInterface<bool> {};

TEST_P(WriteMoments, OnlyTheFirstOfFocusAndRowChangeWrites) {
    const bool focusFirst = GetParam();
    ConfirmEdit(9, "1234");
    if (focusFirst) {
        Table().Focus();
        Table().FocusRow(10);
    } else {
        Table().FocusRow(10);
        Table().Focus();
    }
    EXPECT_EQ(Sent(), std::vector<std::string>{kWrite1234To0009H});
}

INSTANTIATE_TEST_SUITE_P(Orders, WriteMoments, testing::Bool(),
                         [](const auto& info) { return info.param ? "FocusFirst" : "RowFirst"; });

// An edit that leaves the cell's text as it was.
struct UnchangedEdit {
    const char* name;
    const char* typed;  // nullptr: nothing typed
    bool confirmed;     // Enter, else Esc
    friend void PrintTo(const UnchangedEdit& value, std::ostream* out) { *out << value.name; }
};

class UnchangedEdits : public Editing, public testing::WithParamInterface<UnchangedEdit> {
  protected:
    void EditAndEnd(std::int32_t row) {
        ASSERT_TRUE(Table().BeginEdit(row));
        if (GetParam().typed != nullptr) {
            Table().TypeEditText(GetParam().typed);
        }
        if (GetParam().confirmed) {
            Table().ConfirmEdit();
        } else {
            Table().CancelEdit();
        }
    }
};

TEST_P(UnchangedEdits, WriteNothingYetTheReReadStillRestartsAutoRead) {
    C().自动读取选择框.Click();
    EditAndEnd(9);
    EXPECT_EQ(Row(9)[0], "00500");
    Table().Focus();
    EXPECT_TRUE(Port().sent.empty());
    EXPECT_EQ(Lamp(), kGreen);
    EXPECT_EQ(C().时钟1.Interval(), 100);

    Advance(100);
    EXPECT_EQ(Sent(), std::vector<std::string>{kReadFromDevice1});
    EXPECT_TRUE(C().时钟2.IsRunning());
    Receive(ReplyFrame(Registers({{0x09, 600}})));
    EXPECT_EQ(Row(9)[0], "00600");
}

// The edit ends by a click on the read button, whose reply replaces the row; a click on the
// row then must not write the old reading over the live one.
TEST_P(UnchangedEdits, EndedByAReadWriteNothingWhenTheRowIsClicked) {
    Table().FocusRow(9);
    EditAndEnd(9);
    ClickRead();
    Receive(ReplyFrame(Registers({{0x09, 600}})));
    Table().FocusRow(9);
    Table().Focus();
    EXPECT_EQ(Sent(), std::vector<std::string>{kReadFromDevice1});
}

INSTANTIATE_TEST_SUITE_P(Gestures, UnchangedEdits,
                         testing::Values(UnchangedEdit{"EscapeAfterTyping", "7", false},
                                         UnchangedEdit{"EnterWithNothingTyped", nullptr, true},
                                         UnchangedEdit{"EnterAfterTypingTheSameText", "00500",
                                                       true}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Editing, EscapeKeepsAnEarlierConfirmedEditPending) {
    ConfirmEdit(9, "1234");
    ASSERT_TRUE(Table().BeginEdit(3));
    Table().TypeEditText("7");
    Table().CancelEdit();
    Table().Focus();
    EXPECT_EQ(Sent(), std::vector<std::string>{kWrite1234To0009H});
}

TEST_F(Editing, TheConfirmedValueIsWrittenEvenAfterAReadReplacedItsRow) {
    Table().FocusRow(9);
    ConfirmEdit(9, "1234");
    ClickRead();  // ends the edit by clicking the button
    Receive(ReplyFrame(Registers({{0x09, 600}})));
    ASSERT_EQ(Row(9)[0], "00600");
    EXPECT_EQ(Table().FocusedRow(), -1) << "the replaced row lost the focus";
    Table().Focus();  // the read ended the edit: the focus alone writes nothing
    EXPECT_EQ(Sent(), std::vector<std::string>{kReadFromDevice1});
    Table().FocusRow(9);  // the same row again is a change of the focused row
    EXPECT_EQ(Sent(), (std::vector<std::string>{kReadFromDevice1, kWrite1234To0009H}));
}

// A write confirmed while a reply arrives: how the rest of the reply comes.
struct HeldWriteCase {
    const char* name;
    int laterBytes;    // bytes of the reply after the write was confirmed
    std::int64_t gap;  // milliseconds before each of them
    friend void PrintTo(const HeldWriteCase& value, std::ostream* out) { *out << value.name; }
};

class HeldWrites : public Editing, public testing::WithParamInterface<HeldWriteCase> {};

TEST_P(HeldWrites, GoOutWhenTheReplyEndsOrTheLineHasBeenQuietFor100Milliseconds) {
    constexpr int kFirstBytes = 30;
    const ByteSet reply = ReplyFrame(Registers({{0x09, 600}}));
    Table().FocusRow(9);
    ConfirmEdit(9, "1234");
    ClickRead();  // ends the edit by clicking the button
    Receive(ByteSet(reply.begin(), reply.begin() + kFirstBytes));
    Table().FocusRow(10);
    const std::vector<std::string> readOnly{kReadFromDevice1};
    EXPECT_EQ(Sent(), readOnly) << "the write waits while the reply arrives";
    for (int i = 0; i < GetParam().laterBytes; ++i) {
        Advance(GetParam().gap);
        ASSERT_EQ(Sent(), readOnly) << "before byte " << kFirstBytes + i;
        Receive({reply[static_cast<std::size_t>(kFirstBytes + i)]});
    }
    const bool complete = kFirstBytes + GetParam().laterBytes == kReadReplyLength;
    if (!complete) {
        Advance(99);
        EXPECT_EQ(Sent(), readOnly);
        Advance(1);
    }
    EXPECT_EQ(Sent(), (std::vector<std::string>{kReadFromDevice1, kWrite1234To0009H}));
    EXPECT_EQ(Lamp(), kRed);
    EXPECT_EQ(Row(9)[0], complete ? "00600" : "1234");
}

INSTANTIATE_TEST_SUITE_P(Replies, HeldWrites,
                         testing::Values(HeldWriteCase{"ReplyCompletes", kReadReplyLength - 30, 2},
                                         HeldWriteCase{"ReplyStalls", 0, 0},
                                         HeldWriteCase{"ReplySlowsThenStalls", 10, 90},
                                         HeldWriteCase{"BytesJustInsideTheGap", 5, 99}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Editing, AWriteHeldOverAReplyGoesOutBeforeTheNextWrite) {
    const ByteSet reply = ReplyFrame(Registers({{0x09, 600}}));
    Table().FocusRow(9);
    ConfirmEdit(9, "1234");
    ClickRead();
    Receive(ByteSet(reply.begin(), reply.begin() + 30));
    Table().FocusRow(10);
    ConfirmEdit(3, "7");  // the edit drops the reply's bytes: the line is free for writes
    Table().Focus();
    EXPECT_EQ(Sent(), (std::vector<std::string>{kReadFromDevice1, kWrite1234To0009H,
                                                "01 06 00 03 00 07 38 08"}));
}

}  // namespace
}  // namespace tavr
