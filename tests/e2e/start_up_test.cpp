#include <QComboBox>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <vector>

#include "end_to_end_test.h"

namespace tavr {
namespace {

struct VisibleControl {
    const char* name;
    QRect bounds;
    const char* shown;  // caption, content or selected entry
};

const std::vector<VisibleControl> kStartingStrip{
    {"读取数据", {589, 7, 96, 31}, "手动读取数据"},
    {"隔几秒", {477, 14, 24, 20}, "3"},
    {"自动读取选择框", {442, 13, 160, 24}, "每     秒自动刷新数据"},
    {"波特率", {148, 12, 64, 20}, "2400"},
    {"设备ID", {261, 13, 50, 20}, "1"},
    {"标签2", {100, 10, 164, 24}, "波特率：           设备ID："},
    {"外形框1", {318, 12, 20, 20}, ""},
    {"标签7", {3, 8, 40, 24}, "COM:"},
    {"串口号", {44, 12, 50, 20}, "1"},
    {"联机按钮", {348, 7, 80, 31}, "联机"},
};

using StartUp = EndToEndTest;

// A first run, with no settings stored: every selector shows its first entry.
TEST_F(StartUp, TheWindowShowsItsStripOfControlsAtTheirPlaces) {
    EXPECT_EQ(Program().TopLevel().windowTitle().toStdString(),
              "[蓝岭电子]TAVR_12864高精度仪表Modbus协议上位机控制程序v1.1.0 2018-11-25");
    for (const VisibleControl& expected : kStartingStrip) {
        const Control& control = *C().window.Find(expected.name);
        QWidget* widget = Program().WidgetOf(control);
        ASSERT_NE(widget, nullptr) << expected.name;
        EXPECT_TRUE(widget->isVisible()) << expected.name;
        EXPECT_EQ(widget->geometry(), expected.bounds) << expected.name;
        EXPECT_EQ(Shown(control), expected.shown) << expected.name;
    }
    EXPECT_EQ(Program().WidgetOf(C().联机按钮)->parentWidget(), &Program().TopLevel());
    EXPECT_FALSE(C().自动读取选择框.Checked());
    EXPECT_TRUE(Program().WidgetOf<QLabel>(*C().window.Find("标签7"))->font().bold());
}

TEST_F(StartUp, TheCatalogueAndReplyBoxesAreNeverShown) {
    for (const char* name :
         {"修改最大限制", "数值对应单位", "小数位预设值", "数据备注说明", "临时转换框"}) {
        QWidget* widget = Program().WidgetOf(*C().window.Find(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_FALSE(widget->isVisible()) << name;
    }
}

TEST_F(StartUp, SelectorsAreDropDownListsOfTheirNumbers) {
    struct Entries {
        const ComboBox& selector;
        int count;
        const char* last;
    };
    for (const Entries& expected : {Entries{C().串口号, 20, "20"}, Entries{C().波特率, 7, "115200"},
                                    Entries{C().设备ID, 50, "50"}}) {
        auto* list = Program().WidgetOf<QComboBox>(expected.selector);
        EXPECT_FALSE(list->isEditable()) << expected.selector.Name();
        EXPECT_EQ(list->count(), expected.count) << expected.selector.Name();
        EXPECT_EQ(list->itemText(list->count() - 1).toStdString(), expected.last);
    }
}

TEST_F(StartUp, TheTableHasItsFiveColumnsAndNoRowsAndTheLampIsBlack) {
    const struct {
        const char* header;
        int width;
    } columns[] = {{"10进制结果", 75},
                   {"所对应数值", 80},
                   {"16进制结果", 80},
                   {"数据地址位", 80},
                   {"数据备注项", 360}};
    ASSERT_EQ(Table().model()->columnCount(), 5);
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(Table().model()->headerData(column, Qt::Horizontal).toString().toStdString(),
                  columns[column].header);
        EXPECT_EQ(Table().horizontalHeader()->sectionSize(column), columns[column].width);
    }
    EXPECT_EQ(Table().model()->rowCount(), 0);
    EXPECT_EQ(ShownLamp(), kBlack);
    EXPECT_EQ(C().外形框1.FillColour(), kBlack);
}

}  // namespace
}  // namespace tavr
