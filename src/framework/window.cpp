#include "framework/window.h"

#include <algorithm>

namespace tavr {

Window::Window(WindowThread& thread, Text title, std::int32_t width, std::int32_t height)
    : thread_(thread), title_(std::move(title)), width_(width), height_(height) {}

Window::~Window() {
    Close();
    // Controls go last first: the reverse of their creation.
    while (!controls_.empty()) {
        controls_.pop_back();
    }
}

Control* Window::Find(std::string_view name) const {
    const auto found = std::ranges::find_if(
        controls_,
        [name](const std::unique_ptr<Control>& control) { return control->Name() == name; });
    return found != controls_.end() ? found->get() : nullptr;
}

void Window::SetTitle(Text title) {
    title_ = std::move(title);
    NotifyPeer(&WindowPeer::TitleChanged);
}

void Window::Move(std::int32_t left, std::int32_t top) {
    left_ = left;
    top_ = top;
    NotifyPeer(&WindowPeer::Moved);
}

void Window::CentreOnScreen(std::int32_t screenWidth, std::int32_t screenHeight) {
    Move((screenWidth - width_) / 2, (screenHeight - height_) / 2);
}

void Window::Create() {
    if (state_ != State::Building) {
        return;
    }
    state_ = State::Open;
    for (const auto& control : controls_) {
        control->WindowCreated();
    }
    if (onCreated) {
        onCreated();
    }
}

void Window::Close() {
    if (state_ == State::Closed) {
        return;
    }
    state_ = State::Closed;
    focused_ = nullptr;
    // Reverse iterators rather than a reversed view: clang 14, which builds the fuzz targets,
    // cannot compile the range views of Debian 12's standard library.
    for (auto control = controls_.rbegin(); control != controls_.rend(); ++control) {
        (*control)->WindowClosing();
    }
    if (peer_ != nullptr) {
        peer_->Closed();
    }
}

void Window::MoveFocus(Control* control) {
    if (focused_ == control) {
        return;
    }
    Control* previous = focused_;
    focused_ = control;
    if (previous != nullptr) {
        Control::Raise(previous->onFocusLost);
    }
    if (control != nullptr) {
        Control::Raise(control->onFocusGained);
    }
}

void Window::NotifyPeer(void (WindowPeer::*call)()) const {
    if (peer_ != nullptr) {
        (peer_->*call)();
    }
}

}  // namespace tavr
