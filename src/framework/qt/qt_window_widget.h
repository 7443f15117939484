#pragma once

#include <QWidget>
#include <functional>

namespace tavr {

// The top-level widget of a Window: a fixed-size frame with a title bar, system menu, minimize
// and close buttons (no maximize), the system's button-face background and the program's icon.
// Esc closes it unless the focused widget used the key. Its coordinates are the client area's.
class QtWindowWidget final : public QWidget {
  public:
    QtWindowWidget();

    // The operator closes the window (close button, system menu, Esc).
    std::function<void()> onClose;
    // The window was shown or moved: the window system may have (re)decided its frame.
    std::function<void()> onFrameMayHaveChanged;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
};

}  // namespace tavr
