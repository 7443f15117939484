#include "framework/win32/win32_window_system.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "framework/win32/win32_fatal_error_box.h"
#include "runtime/fatal_error.h"

namespace tavr {

namespace {

void LoadCommonControls() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&classes);
}

// Enter is left to the focused control: the dialog keys would press the focused button.
bool IsDialogKey(const MSG& message) {
    const bool enter = (message.message == WM_KEYDOWN || message.message == WM_CHAR) &&
                       (message.wParam == VK_RETURN || message.wParam == L'\r');
    return !enter;
}

}  // namespace

Win32WindowSystem::Win32WindowSystem()
    : messages_([this](UINT message, WPARAM wParam, LPARAM) { Received(message, wParam); }),
      poster_(std::make_shared<Win32WindowThreadPoster>(messages_.Handle())),
      timers_(messages_.Handle()),
      thread_(poster_, timers_),
      report_(Win32WindowReport::FromEnvironment()) {
    LoadCommonControls();
    thread_.Style().onChanged = [this](const VisualStyle& style) { ApplyStyle(style); };
    InstallWin32FatalErrorBox();
}

Win32WindowSystem::~Win32WindowSystem() {
    SetFatalErrorHandler({});
    windows_.clear();
    // Other threads may still hold the poster: nothing they post arrives any more.
    poster_->Stop();
}

Win32WindowPeer& Win32WindowSystem::ShowWindow(Window& window) {
    auto& peer = *windows_.emplace_back(std::make_unique<Win32WindowPeer>(window));
    ApplyStyle(thread_.Style());
    peer.Show();
    return peer;
}

void Win32WindowSystem::RunUntilClosed(Window& window) {
    Win32WindowPeer* peer = PeerOf(window);
    MSG message;
    while (!window.IsClosed()) {
        if (report_ && peer != nullptr &&
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) == FALSE) {
            WriteReport(*peer);
        }
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            break;
        }
        if (peer != nullptr && peer->IsOpen() && IsDialogKey(message) &&
            IsDialogMessageW(peer->Handle(), &message) != FALSE) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (report_ && peer != nullptr) {
        WriteReport(*peer);
    }
}

void Win32WindowSystem::Received(UINT message, WPARAM wParam) {
    if (message == Win32WindowThreadPoster::kRunTask) {
        poster_->RunWaiting();
    } else if (message == WM_TIMER) {
        timers_.Elapsed(wParam);
    }
}

void Win32WindowSystem::ApplyStyle(const VisualStyle& style) {
    for (const auto& window : windows_) {
        if (!window->IsOpen()) {
            continue;
        }
        for (const auto& control : window->ControlPeers()) {
            // An empty theme name gives the classic look; none gives the system's theme back.
            if (style.IsOn()) {
                SetWindowTheme(control->Handle(), nullptr, nullptr);
            } else {
                SetWindowTheme(control->Handle(), L"", L"");
            }
        }
        window->ApplyFrameColour(style.FrameColour());
    }
}

Win32WindowPeer* Win32WindowSystem::PeerOf(const Window& window) const {
    for (const auto& peer : windows_) {
        if (peer->IsOpen() && window.Peer() == peer.get()) {
            return peer.get();
        }
    }
    return nullptr;
}

void Win32WindowSystem::WriteReport(const Win32WindowPeer& window) {
    report_->Write(window);
}

}  // namespace tavr
