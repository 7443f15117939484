#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "framework/colour.h"
#include "framework/qt/qt_control_peer.h"
#include "framework/qt/qt_window_thread_poster.h"
#include "framework/qt/qt_window_widget.h"
#include "framework/window.h"
#include "framework/window_peer.h"

namespace tavr {

// The Qt side of a Window: its top-level widget, and one peer per visual control whose widget
// stands at the control's place in the client area. The controls' creation order is their
// stacking order (the first on top) and their Tab order. Non-visual controls get no widget.
class QtWindowPeer final : public WindowPeer {
  public:
    // Builds the widgets of `window`'s controls, attaches them and centres the window on the
    // primary screen; the window is not shown yet. `poster` is the GUI thread's.
    QtWindowPeer(Window& window, QtWindowThreadPoster& poster);
    QtWindowPeer(const QtWindowPeer&) = delete;
    QtWindowPeer& operator=(const QtWindowPeer&) = delete;
    ~QtWindowPeer() override;

    void Show() { widget_->show(); }
    QtWindowWidget& Widget() const { return *widget_; }
    // The widget standing for `control`, or nullptr (a non-visual control, another window's).
    QWidget* WidgetOf(const Control& control) const;
    void ApplyFrameColour(const std::optional<Colour>& colour);

    void TitleChanged() override;
    void Moved() override;
    void Closed() override;

  private:
    void BuildControls();
    void Detach();
    // The window's size is its outer size: the client area is what the frame leaves of it.
    void FitOuterSize();

    Window* window_;  // nullptr once detached
    QtWindowThreadPoster& poster_;
    std::unique_ptr<QtWindowWidget> widget_;
    std::vector<std::pair<const Control*, std::unique_ptr<QtControlPeer>>> peers_;
};

}  // namespace tavr
