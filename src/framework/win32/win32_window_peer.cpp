#include "framework/win32/win32_window_peer.h"

#include "framework/win32/win32_control_peer_factory.h"
#include "framework/win32/win32_text.h"

namespace tavr {

namespace {

constexpr wchar_t kClassName[] = L"TAVR_12864_MainWindow";
constexpr DWORD kFrameStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Child window identifiers start above the dialog command identifiers (IDOK, IDCANCEL, ...).
constexpr int kFirstControlId = 100;
// The icon in the program's resources.
constexpr int kIconResource = 1;

void RegisterClassOnce(WNDPROC procedure) {
    static const bool registered = [procedure] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(kIconResource));
        windowClass.hIconSm = windowClass.hIcon;
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

bool IsFramed(const Control& control) {
    return control.Visible() &&
           (control.Kind() == ControlKind::EditBox || control.Kind() == ControlKind::ListView);
}

}  // namespace

Win32WindowPeer::Win32WindowPeer(Window& window) : window_(&window) {
    RegisterClassOnce(&Procedure);
    hwnd_ = CreateWindowExW(0, kClassName, ToWide(window.Title()).c_str(), kFrameStyle,
                            window.Left(), window.Top(), window.Width(), window.Height(), nullptr,
                            nullptr, GetModuleHandleW(nullptr), this);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    BuildControls();
    window.AttachPeer(this);
    window.CentreOnScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

Win32WindowPeer::~Win32WindowPeer() {
    Detach();
    peers_.clear();
    if (IsWindow(hwnd_)) {
        DestroyWindow(hwnd_);
    }
}

void Win32WindowPeer::Show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

void Win32WindowPeer::ApplyFrameColour(const std::optional<Colour>& colour) {
    frameColour_ = colour;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32WindowPeer::TitleChanged() {
    if (window_ != nullptr) {
        SetWindowTextW(hwnd_, ToWide(window_->Title()).c_str());
    }
}

void Win32WindowPeer::Moved() {
    if (window_ != nullptr) {
        // The window's size is its outer size, frame and title bar included.
        SetWindowPos(hwnd_, nullptr, window_->Left(), window_->Top(), window_->Width(),
                     window_->Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Win32WindowPeer::Closed() {
    if (window_ == nullptr) {
        return;
    }
    Detach();
    DestroyWindow(hwnd_);
}

LRESULT CALLBACK Win32WindowPeer::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32WindowPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && self->hwnd_ == hwnd) {
        if (const auto result = self->Message(message, wParam, lParam)) {
            return *result;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::optional<LRESULT> Win32WindowPeer::Message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            if (window_ != nullptr) {
                window_->Close();
            }
            return 0;
        case WM_COMMAND:
            if (lParam == 0) {
                // Esc, through the dialog keys of the message loop, when the focused control
                // did not take it. Enter does nothing.
                if (LOWORD(wParam) == IDCANCEL && window_ != nullptr) {
                    window_->Close();
                }
                return 0;
            }
            if (Win32ControlPeer* peer = PeerWithId(LOWORD(wParam))) {
                peer->Command(HIWORD(wParam));
            }
            return 0;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (Win32ControlPeer* peer = PeerWithId(header.idFrom)) {
                return peer->Notify(header);
            }
            return std::nullopt;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (Win32ControlPeer* peer = PeerWithId(item.CtlID)) {
                peer->DrawItem(item);
                return TRUE;
            }
            return std::nullopt;
        }
        case WM_CTLCOLORSTATIC: {
            // Labels and the check box: black text on the window's background.
            auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd_, &paint);
            PaintFrames(dc);
            EndPaint(hwnd_, &paint);
            return 0;
        }
        default:
            return std::nullopt;
    }
}

void Win32WindowPeer::BuildControls() {
    int id = kFirstControlId;
    for (const auto& control : window_->Controls()) {
        if (auto peer = MakeWin32ControlPeer(*control, hwnd_, id)) {
            peers_.push_back(std::move(peer));
            ++id;
        }
    }
    for (const auto& peer : peers_) {
        peer->Attach();
    }
}

void Win32WindowPeer::Detach() {
    if (window_ == nullptr) {
        return;
    }
    for (const auto& peer : peers_) {
        peer->Detach();
    }
    window_->AttachPeer(nullptr);
    window_ = nullptr;
}

Win32ControlPeer* Win32WindowPeer::PeerWithId(UINT_PTR id) const {
    if (window_ == nullptr || id < kFirstControlId) {
        return nullptr;
    }
    const std::size_t index = id - kFirstControlId;
    return index < peers_.size() ? peers_[index].get() : nullptr;
}

void Win32WindowPeer::PaintFrames(HDC dc) const {
    if (!frameColour_ || window_ == nullptr) {
        return;
    }
    HBRUSH brush = CreateSolidBrush(*frameColour_);
    for (const auto& peer : peers_) {
        if (IsFramed(peer->Owner())) {
            const Control& control = peer->Owner();
            RECT frame{control.Left() - 1, control.Top() - 1, control.Left() + control.Width() + 1,
                       control.Top() + control.Height() + 1};
            FrameRect(dc, &frame, brush);
        }
    }
    DeleteObject(brush);
}

}  // namespace tavr
