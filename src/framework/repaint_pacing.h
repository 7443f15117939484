#pragma once

#include <chrono>
#include <optional>

namespace tavr {

// When a window's repaint may run. A display shows one frame per refresh, so painting a window
// more often than that is work nobody sees: the link lamp turns red and green again within one
// frame on every fast read cycle. A repaint asked for at least a frame after the last one runs at
// once, so a lone change shows without delay; one asked for sooner waits for the start of the
// next frame, and every change made meanwhile is painted with it, as it then stands.
//
// A change that is often undone within a frame (the link lamp: red at a request, green again at
// the reply's first byte) is looked at again only at the next frame, and after a quiet spell
// that is a whole frame away: a reply that begins within it leaves the lamp as it is on screen,
// and the read cycle paints only its table.
class RepaintPacing {
  public:
    using Clock = std::chrono::steady_clock;

    explicit RepaintPacing(Clock::duration frame) : frame_(frame) {}

    // How long a repaint asked for at `now` waits; zero: it runs now.
    Clock::duration WaitBefore(Clock::time_point now) const;
    // How long a look at a change made at `now` waits; zero: the look runs now.
    Clock::duration LookWaitBefore(Clock::time_point now) const;
    void Painted(Clock::time_point at) { lastPaint_ = at; }
    void SetFrame(Clock::duration frame) { frame_ = frame; }

  private:
    Clock::duration frame_;
    std::optional<Clock::time_point> lastPaint_;
};

// A display frame at `refreshRate` Hz, or at 60 Hz when the rate is unknown (zero or less).
RepaintPacing::Clock::duration FrameAt(double refreshRate);

}  // namespace tavr
