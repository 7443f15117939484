#include "framework/win32/win32_window_report.h"

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "framework/win32/win32_shape_box_peer.h"
#include "framework/win32/win32_text.h"

namespace tavr {

namespace {

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (character == '"' || character == '\\') {
            quoted += '\\';
            quoted += character;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += character;
        }
    }
    return quoted + "\"";
}

std::string WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return FromWide(text);
}

std::string ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return FromWide(name);
}

std::string Rect(const RECT& rect) {
    std::ostringstream out;
    out << '[' << rect.left << ',' << rect.top << ',' << rect.right - rect.left << ','
        << rect.bottom - rect.top << ']';
    return out.str();
}

// The rectangle of a child window in its parent's client coordinates.
RECT ChildRect(HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string FontOf(HWND hwnd) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    if (font == nullptr || GetObjectW(font, sizeof(description), &description) == 0) {
        return "null";
    }
    std::ostringstream out;
    out << "{\"face\":" << Quoted(FromWide(description.lfFaceName))
        << ",\"height\":" << description.lfHeight
        << ",\"bold\":" << (description.lfWeight >= FW_BOLD ? "true" : "false")
        << ",\"charset\":" << static_cast<int>(description.lfCharSet)
        << ",\"default\":" << (font == GetStockObject(DEFAULT_GUI_FONT) ? "true" : "false") << '}';
    return out.str();
}

std::string ListCell(HWND list, int item, int column) {
    std::vector<wchar_t> buffer(1024);
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = buffer.data();
    cell.cchTextMax = static_cast<int>(buffer.size());
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&cell));
    return FromWide(buffer.data());
}

std::string DescribeTable(HWND list) {
    std::ostringstream out;
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const auto columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    out << "{\"columns\":[";
    for (int column = 0; column < columns; ++column) {
        wchar_t text[128] = {};
        LVCOLUMNW description{};
        description.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        description.pszText = text;
        description.cchTextMax = 128;
        SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&description));
        const int format = description.fmt & LVCFMT_JUSTIFYMASK;
        out << (column > 0 ? "," : "") << "{\"header\":" << Quoted(FromWide(text))
            << ",\"width\":" << description.cx << ",\"alignment\":"
            << Quoted(format == LVCFMT_CENTER  ? "centre"
                      : format == LVCFMT_RIGHT ? "right"
                                               : "left")
            << '}';
    }
    const auto rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    out << "],\"rows\":[";
    for (int row = 0; row < rows; ++row) {
        out << (row > 0 ? "," : "") << '[';
        for (int column = 0; column < columns; ++column) {
            out << (column > 0 ? "," : "") << Quoted(ListCell(list, row, column));
        }
        out << ']';
    }
    out << "],\"rowRects\":[";
    for (int row = 0; row < rows; ++row) {
        RECT label{};
        label.left = LVIR_LABEL;
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&label));
        MapWindowPoints(list, GetParent(list), reinterpret_cast<POINT*>(&label), 2);
        out << (row > 0 ? "," : "") << Rect(label);
    }
    out << "],\"selected\":[";
    int item = -1;
    bool first = true;
    while ((item = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(item),
                                                 LVNI_SELECTED))) >= 0) {
        out << (first ? "" : ",") << item;
        first = false;
    }
    HWND editor = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(list, GWL_STYLE));
    const auto extended =
        static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    out << "],\"focused\":"
        << SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)
        << ",\"editor\":" << (editor != nullptr ? Quoted(WindowText(editor)) : "null")
        << ",\"report\":" << ((style & LVS_TYPEMASK) == LVS_REPORT ? "true" : "false")
        << ",\"editLabels\":" << ((style & LVS_EDITLABELS) != 0 ? "true" : "false")
        << ",\"showSelectionAlways\":" << ((style & LVS_SHOWSELALWAYS) != 0 ? "true" : "false")
        << ",\"fullRowSelect\":" << ((extended & LVS_EX_FULLROWSELECT) != 0 ? "true" : "false")
        << ",\"gridLines\":" << ((extended & LVS_EX_GRIDLINES) != 0 ? "true" : "false") << '}';
    return out.str();
}

std::string DescribeControl(const Win32ControlPeer& peer) {
    HWND hwnd = peer.Handle();
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    const std::string kind = ClassOf(hwnd);
    std::ostringstream out;
    out << "{\"name\":" << Quoted(peer.Owner().Name()) << ",\"class\":" << Quoted(kind)
        << ",\"visible\":" << (IsWindowVisible(hwnd) != FALSE ? "true" : "false")
        << ",\"enabled\":" << (IsWindowEnabled(hwnd) != FALSE ? "true" : "false")
        << ",\"tabStop\":" << ((style & WS_TABSTOP) != 0 ? "true" : "false")
        << ",\"rect\":" << Rect(ChildRect(hwnd)) << ",\"font\":" << FontOf(hwnd);
    if (kind == "ComboBox") {
        const auto selection = static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0));
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        GetComboBoxInfo(hwnd, &info);
        RECT dropped{};
        SendMessageW(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        out << ",\"selection\":" << selection << ",\"text\":" << Quoted(WindowText(hwnd))
            << ",\"count\":" << SendMessageW(hwnd, CB_GETCOUNT, 0, 0)
            << ",\"droppedHeight\":" << (dropped.bottom - dropped.top)
            << ",\"dropDownList\":" << ((style & 3) == CBS_DROPDOWNLIST ? "true" : "false");
    } else if (kind == "SysListView32") {
        out << ",\"table\":" << DescribeTable(hwnd);
    } else {
        out << ",\"text\":" << Quoted(WindowText(hwnd));
    }
    if (kind == "Button") {
        out << ",\"checked\":"
            << (SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? "true" : "false");
    }
    if (kind == "Edit") {
        out << ",\"centred\":" << ((style & ES_CENTER) != 0 ? "true" : "false")
            << ",\"multiLine\":" << ((style & ES_MULTILINE) != 0 ? "true" : "false");
    }
    if (const auto* lamp = dynamic_cast<const Win32ShapeBoxPeer*>(&peer)) {
        const auto fill = lamp->ShownFill();
        out << ",\"fill\":" << (fill ? std::to_string(*fill) : "null");
        out << ",\"toolTip\":" << Quoted(lamp->ShownToolTip());
    }
    out << '}';
    return out.str();
}

const Win32ControlPeer* PeerOfWindow(const Win32WindowPeer& window, HWND hwnd) {
    for (const auto& peer : window.ControlPeers()) {
        if (peer->Handle() == hwnd) {
            return peer.get();
        }
    }
    return nullptr;
}

// The name of the control with the keyboard focus; the table's in-place editor counts as its
// own "editor"; empty when the focus is elsewhere.
std::string FocusName(const Win32WindowPeer& window) {
    HWND focus = GetFocus();
    if (const Win32ControlPeer* peer = PeerOfWindow(window, focus)) {
        return peer->Owner().Name();
    }
    if (focus != nullptr && ClassOf(GetParent(focus)) == "SysListView32") {
        return "editor";
    }
    return {};
}

}  // namespace

std::optional<Win32WindowReport> Win32WindowReport::FromEnvironment() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(kVariable, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::nullopt;
    }
    return Win32WindowReport(std::filesystem::path(path));
}

void Win32WindowReport::Write(const Win32WindowPeer& window) {
    const std::string text = DescribeWindow(window);
    if (text == written_) {
        return;
    }
    std::filesystem::path temporary = file_;
    temporary += L".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            return;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, file_, error);
    if (!error) {
        written_ = text;
    }
}

std::string DescribeWindow(const Win32WindowPeer& window) {
    HWND hwnd = window.Handle();
    if (!IsWindow(hwnd)) {
        return "{\"open\":false}";
    }
    RECT outer;
    GetWindowRect(hwnd, &outer);
    RECT client;
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    std::ostringstream out;
    out << "{\"open\":" << (window.IsOpen() ? "true" : "false")
        << ",\"title\":" << Quoted(WindowText(hwnd)) << ",\"outer\":" << Rect(outer)
        << ",\"client\":" << Rect(client) << ",\"clientOrigin\":[" << origin.x << ',' << origin.y
        << "],\"screen\":[" << GetSystemMetrics(SM_CXSCREEN) << ',' << GetSystemMetrics(SM_CYSCREEN)
        << "],\"minimizeBox\":" << ((style & WS_MINIMIZEBOX) != 0 ? "true" : "false")
        << ",\"maximizeBox\":" << ((style & WS_MAXIMIZEBOX) != 0 ? "true" : "false")
        << ",\"sizable\":" << ((style & WS_THICKFRAME) != 0 ? "true" : "false")
        << ",\"sysMenu\":" << ((style & WS_SYSMENU) != 0 ? "true" : "false")
        << ",\"icon\":" << (GetClassLongPtrW(hwnd, GCLP_HICON) != 0 ? "true" : "false")
        << ",\"focus\":" << Quoted(FocusName(window)) << ",\"controls\":[";
    // In stacking order, the top first.
    bool first = true;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (const Win32ControlPeer* peer = PeerOfWindow(window, child)) {
            out << (first ? "" : ",") << DescribeControl(*peer);
            first = false;
        }
    }
    out << "]}";
    return out.str();
}

}  // namespace tavr
