#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

#include "framework/repaint_pacing.h"

namespace tavr {

// The top-level widget of a Window: a fixed-size frame with a title bar, system menu, minimize
// and close buttons (no maximize), the system's button-face background and the program's icon.
// Esc closes it unless the focused widget used the key. Its coordinates are the client area's.
//
// It repaints at most once per frame of the display (RepaintPacing, at the refresh rate of the
// screen it starts on): Qt asks a window for its repaint with one UpdateRequest for all the
// changes made until then, and one that comes too soon is held back until the next frame.
class QtWindowWidget final : public QWidget {
  public:
    QtWindowWidget();

    // The operator closes the window (close button, system menu, Esc).
    std::function<void()> onClose;
    // The window was shown or moved: the window system may have (re)decided its frame.
    std::function<void()> onFrameMayHaveChanged;

    // Paces repaints to frames of this length instead of the screen's; zero paints on every
    // request. A repaint held back waits only as long as the new frame asks.
    void SetRepaintFrame(std::chrono::nanoseconds frame);

    // For a child whose look may change and change back within one frame (the link lamp, red
    // and green again on every fast read cycle): rather than marking itself for repaint at once,
    // it asks for the window's next frame (a whole frame away after a quiet spell), and right
    // before that frame is painted `check` runs and marks the child for repaint if its look then
    // differs from what is on screen; a repaint that runs sooner runs the check with it. One
    // check per child per frame; it is dropped if the child has gone.
    void CheckBeforeNextFrame(QWidget& child, std::function<void()> check);
    // The child's look is back to what is on screen: its check is not needed. A frame that waits
    // for nothing else then wakes nobody.
    void DropCheck(QWidget& child);
    // Whether a held repaint or a check waits for the next frame, which will wake the window
    // thread.
    bool FrameAwaited() const { return heldRepaint_.isActive(); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

  private:
    // True when the repaint Qt asks for is held back to the next frame.
    bool HoldBackRepaint();
    // Until the held repaint's frame, or else the checks' frame.
    void StartFrameTimer();
    void RepaintNow();
    // Runs the checks, then Qt's repaint of everything marked, which answers the repaints Qt has
    // asked for until then.
    bool PaintFrame(QEvent* request);

    RepaintPacing pacing_;
    // Ends the frame that a held repaint or the checks wait for.
    QTimer heldRepaint_;
    bool repaintHeld_ = false;
    std::vector<std::pair<QPointer<QWidget>, std::function<void()>>> checks_;
};

}  // namespace tavr
