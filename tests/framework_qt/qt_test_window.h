#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QtTest/QTest>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/button.h"
#include "framework/check_box.h"
#include "framework/combo_box.h"
#include "framework/edit_box.h"
#include "framework/label.h"
#include "framework/list_view.h"
#include "framework/qt/qt_window_system.h"
#include "framework/shape_box.h"
#include "framework/timer.h"
#include "framework/window.h"

namespace tavr {

// A small window with one control of every kind, laid out like the program's strip of controls
// above its table, shown offscreen. Events raised by the controls are written to `events`.
class QtTestWindow {
  public:
    static constexpr std::int32_t kRows = 4;

    QtTestWindow();
    ~QtTestWindow();

    // Shows the window with the Qt widgets, not yet created.
    void Show();
    // Shows and creates the window and makes it the active window, so that focus changes
    // deliver their events.
    void Open();

    template <class W = QWidget>
    W* WidgetOf(const Control& control) const {
        return qobject_cast<W*>(peer_->WidgetOf(control));
    }
    QtWindowWidget& TopLevel() const { return peer_->Widget(); }

    QtWindowSystem system;
    Window window{system.Thread(), "测试窗口", 695, 670};
    EditBox& hiddenBox = window.Add<EditBox>("修改最大限制", Bounds{335, 97, 272, 20});
    Timer& timer = window.Add<Timer>("时钟1");
    Button& readButton = window.Add<Button>("读取数据", Bounds{589, 7, 96, 31});
    EditBox& period = window.Add<EditBox>("隔几秒", Bounds{477, 14, 24, 20});
    CheckBox& autoRead = window.Add<CheckBox>("自动读取选择框", Bounds{442, 13, 160, 24});
    ComboBox& baudRate = window.Add<ComboBox>("波特率", Bounds{148, 12, 64, 20});
    ListView& table = window.Add<ListView>("超级列表框1", Bounds{1, 43, 687, 597});
    Label& caption = window.Add<Label>("标签2", Bounds{100, 10, 164, 24});
    ShapeBox& lamp = window.Add<ShapeBox>("外形框1", Bounds{318, 12, 20, 20});
    Label& comLabel = window.Add<Label>("标签7", Bounds{3, 8, 40, 24});
    Button& connectButton = window.Add<Button>("联机按钮", Bounds{348, 7, 80, 31});

    std::vector<std::string> events;

  private:
    QtWindowPeer* peer_ = nullptr;
};

// Counts the events of one type that reach a widget: its paints, a window's repaint requests.
class EventCount final : public QObject {
  public:
    EventCount(QWidget& widget, QEvent::Type type) : type_(type) {
        widget.installEventFilter(this);
    }
    int seen = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        seen += event->type() == type_ ? 1 : 0;
        return false;
    }

  private:
    QEvent::Type type_;
};

}  // namespace tavr
