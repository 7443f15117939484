#include <QtTest/QTest>
#include <string>
#include <vector>

#include "end_to_end_test.h"
#include "protocol/frame_codec.h"

namespace tavr {
namespace {

constexpr std::uint8_t kWriteCode = 0x06;
constexpr std::uint8_t kReadCode = 0x03;

class Editing : public EndToEndTest {
  protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        if (!HasFatalFailure()) {
            ASSERT_NO_FATAL_FAILURE(ConnectAndRead());
        }
    }
};

// Register 0009H, the nominal capacity, takes at most 10000; the meter holds 1000.
TEST_F(Editing, EnterWritesTheLimitedValueAndTheReReadShowsWhatTheMeterNowHolds) {
    ClickAutoRead();
    QLineEdit* editor = StartEdit(9);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().toStdString(), "01000");
    EXPECT_FALSE(C().时钟2.IsRunning());  // no auto-read while the operator edits

    QTest::keyClicks(editor, "70000");
    ASSERT_NO_FATAL_FAILURE(ConfirmWithEnter(editor));
    EXPECT_EQ(C().外形框1.FillColour(), kRed);
    EXPECT_EQ(ShownLamp(), kRed);
    EXPECT_EQ(Cell(9, 0), "70000");

    ASSERT_TRUE(WaitFor([this] { return Cell(9, 0) == "10000"; }));
    EXPECT_EQ(Cell(9, 1), "1000.0Ah");
    EXPECT_EQ(Cell(9, 2), "0x27 0x10");
    EXPECT_EQ(Meter().Get(9), 10000);
    const std::vector<std::string> received = Meter().Received();
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(received[1], Hex(BuildWriteRequest(1, 9, 10000)));
    EXPECT_EQ(received[2], Hex(BuildReadRequest(1)));
    // The re-read restarts auto-read.
    EXPECT_TRUE(C().自动读取选择框.Checked());
    EXPECT_TRUE(C().时钟2.IsRunning());
}

TEST_F(Editing, EscapeWritesNothing) {
    QLineEdit* editor = StartEdit(9);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "4321");
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(C().超级列表框1.IsEditing());
    EXPECT_TRUE(C().window.IsOpen());
    EXPECT_EQ(Cell(9, 0), "01000");

    // A write would have gone out before this read, on the same line.
    const std::size_t readsBefore = Meter().ReceivedWithFunction(kReadCode);
    Click(C().读取数据);
    ASSERT_TRUE(WaitFor([&] { return Meter().ReceivedWithFunction(kReadCode) > readsBefore; }));
    EXPECT_EQ(Meter().ReceivedWithFunction(kWriteCode), 0u);
    EXPECT_EQ(Meter().Get(9), 1000);
}

}  // namespace
}  // namespace tavr
