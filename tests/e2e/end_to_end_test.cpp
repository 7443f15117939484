#include "end_to_end_test.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QtTest/QTest>

#include "settings/registry.h"

namespace tavr {

namespace {

// A wait ends as soon as its condition holds; the bound only ends a test that has gone wrong.
constexpr int kPatience = 10000;

// Captions are shown with en spaces for their blanks (half a Chinese character wide).
std::string AsCaption(QString shown) {
    return shown.replace(QChar(0x2002), QLatin1Char(' ')).toStdString();
}

}  // namespace

void EndToEndTest::SetUp() {
    ConfigHomeTest::SetUp();
    if (HasFatalFailure()) {
        return;
    }
    meter_ = std::make_unique<SimulatedMeter>(Home(), kMeterPort);
    ASSERT_TRUE(meter_->Ready());
    StartProgram();
}

void EndToEndTest::TearDown() {
    program_.reset();
    meter_.reset();
    ConfigHomeTest::TearDown();
}

void EndToEndTest::StartProgram() {
    program_.reset();
    program_ = std::make_unique<RunningProgram>();
}

void EndToEndTest::RestartMeter(const std::vector<std::string>& options) {
    meter_.reset();
    meter_ = std::make_unique<SimulatedMeter>(Home(), kMeterPort, options);
    ASSERT_TRUE(meter_->Ready());
}

void EndToEndTest::Click(const Control& control) {
    QTest::mouseClick(Program().WidgetOf(control), Qt::LeftButton);
}

void EndToEndTest::ClickAutoRead() {
    // On the box itself: the period box covers the middle of the caption.
    QWidget* box = Program().WidgetOf(C().自动读取选择框);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

void EndToEndTest::Pick(const ComboBox& selector, const char* entry) {
    auto* list = Program().WidgetOf<QComboBox>(selector);
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(list, entry);
    ASSERT_EQ(list->currentText().toStdString(), entry);
}

void EndToEndTest::PressEscape(const Control& control) {
    QWidget* widget = Program().WidgetOf(control);
    widget->setFocus(Qt::TabFocusReason);
    QTest::keyClick(widget, Qt::Key_Escape);
}

QLineEdit* EndToEndTest::StartEdit(int row) {
    const QRect cell = Table().visualRect(Table().model()->index(row, 3));
    QTest::mouseClick(Table().viewport(), Qt::LeftButton, {}, cell.center());
    QTest::keyClick(&Table(), Qt::Key_F2);
    return qobject_cast<QLineEdit*>(QApplication::focusWidget());
}

void EndToEndTest::ConfirmWithEnter(QLineEdit* editor) {
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(Table().itemDelegate(), QEvent::MetaCall);
    ASSERT_FALSE(C().超级列表框1.IsEditing());
}

void EndToEndTest::ConnectAndRead() {
    ASSERT_NO_FATAL_FAILURE(Pick(C().串口号, std::to_string(kMeterPort).c_str()));
    Click(C().联机按钮);
    ASSERT_EQ(C().外形框1.FillColour(), kGreen);
    Click(C().读取数据);
    ASSERT_TRUE(WaitFor([this] { return Table().model()->rowCount() == 35; }));
}

QTableView& EndToEndTest::Table() const {
    return *program_->WidgetOf<QTableView>(program_->Controls().超级列表框1);
}

std::string EndToEndTest::Cell(int row, int column) const {
    return Table().model()->index(row, column).data().toString().toStdString();
}

std::string EndToEndTest::Shown(const Control& control) const {
    QWidget* widget = program_->WidgetOf(control);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return AsCaption(button->text());
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return AsCaption(label->text());
    }
    if (auto* box = qobject_cast<QLineEdit*>(widget)) {
        return box->text().toStdString();
    }
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
        return list->currentText().toStdString();
    }
    return {};
}

Colour EndToEndTest::ShownLamp() const {
    const QColor centre =
        program_->WidgetOf(program_->Controls().外形框1)->grab().toImage().pixelColor(10, 10);
    return static_cast<Colour>(centre.red()) | static_cast<Colour>(centre.green()) << 8 |
           static_cast<Colour>(centre.blue()) << 16;
}

bool EndToEndTest::WaitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, kPatience);
}

Text EndToEndTest::Stored(std::string_view name) {
    return ReadRegistryText(RegistryRoot::CurrentUser,
                            "Software\\TAVR_12864\\" + std::string(name));
}

}  // namespace tavr
