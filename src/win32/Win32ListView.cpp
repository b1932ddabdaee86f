#include "win32/Win32ListView.h"

#include "win32/Win32Look.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace velmora {

namespace {

// The lines measured on screen for the widest: the longest in bytes (measuring a million would take
// seconds; among lines of one font the longest are the widest but for a few pixels).
constexpr size_t kMeasuredLines = 32;
// Room around a row's text, beside the text itself.
constexpr int kRowPadding = 12;
constexpr UINT_PTR kSubclassId = 1;

} // namespace

Win32ListView::Win32ListView(HWND parent, int id, const RECT& place, const LineSource& lines, Selection& selection,
                             bool multipleSelection)
    : m_lines(lines), m_selection(selection) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                  LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS;
    if (!multipleSelection)
        style |= LVS_SINGLESEL;
    m_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", style, place.left, place.top,
                             place.right - place.left, place.bottom - place.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = place.right - place.left;
    ListView_InsertColumn(m_list, 0, &column);
    SetWindowSubclass(m_list, &Win32ListView::subclassProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    m_lines.setObserver(this);
    m_selection.setListener([this](bool reveal) { copyFromSelection(reveal); });
    entriesReset(); // the lines there already (a window opened on a loaded document)
}

Win32ListView::~Win32ListView() {
    m_selection.setListener(nullptr);
    m_lines.setObserver(nullptr);
    RemoveWindowSubclass(m_list, &Win32ListView::subclassProcedure, kSubclassId);
}

void Win32ListView::setLook(HFONT font, COLORREF text, COLORREF background) {
    SendMessageW(m_list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ListView_SetTextColor(m_list, text);
    ListView_SetBkColor(m_list, background);
    ListView_SetTextBkColor(m_list, background);
    fitColumn(0, true);
}

void Win32ListView::entriesReset() {
    ListView_SetItemCountEx(m_list, m_lines.count(), 0);
    fitColumn(0, true);
    copyFromSelection(false);
    InvalidateRect(m_list, nullptr, TRUE);
}

void Win32ListView::entriesAppended(int32_t first, int32_t count) {
    ListView_SetItemCountEx(m_list, first + count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    fitColumn(first, false);
}

void Win32ListView::bulkChange(bool running) {
    ShowWindow(m_list, running ? SW_HIDE : SW_SHOW);
}

void Win32ListView::fitColumn(int32_t first, bool restart) {
    const int32_t n = m_lines.count();
    std::vector<std::pair<size_t, int32_t>> longest; // (bytes, row), the kMeasuredLines longest
    longest.reserve(kMeasuredLines + 1);
    for (int32_t row = first; row < n; ++row) {
        const size_t bytes = m_lines.text(row).size();
        if (longest.size() == kMeasuredLines && bytes <= longest.front().first)
            continue;
        longest.emplace_back(bytes, row);
        std::push_heap(longest.begin(), longest.end(), std::greater<>());
        if (longest.size() > kMeasuredLines) {
            std::pop_heap(longest.begin(), longest.end(), std::greater<>());
            longest.pop_back();
        }
    }
    int widest = restart ? 0 : m_widest;
    HDC dc = GetDC(m_list);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(m_list, WM_GETFONT, 0, 0)));
    for (const auto& [bytes, row] : longest) {
        const std::wstring text = win32::screenText(m_lines.text(row));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(m_list, dc);
    m_widest = widest;
    applyColumnWidth();
}

void Win32ListView::applyColumnWidth() {
    RECT client{};
    GetClientRect(m_list, &client);
    ListView_SetColumnWidth(m_list, 0, std::max<int>(client.right, m_widest + kRowPadding));
}

int Win32ListView::findText(const wchar_t* wanted, int start, bool partial, bool wrap) const {
    const int length = static_cast<int>(wcslen(wanted));
    const int32_t n = m_lines.count();
    if (length == 0 || n == 0)
        return -1;
    const int32_t first = std::clamp<int32_t>(start, 0, n);
    for (int32_t k = 0; k < n; ++k) {
        const int32_t row = first + k < n ? first + k : first + k - n;
        if (!wrap && row < first)
            break;
        const std::wstring text = win32::screenText(m_lines.text(row));
        if (partial ? static_cast<int>(text.size()) >= length : static_cast<int>(text.size()) == length) {
            if (CompareStringOrdinal(text.c_str(), length, wanted, length, TRUE) == CSTR_EQUAL)
                return row;
        }
    }
    return -1;
}

void Win32ListView::setItemState(int index, UINT state, UINT mask) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void Win32ListView::copyFromSelection(bool reveal) {
    if (m_syncing)
        return;
    m_syncing = true;
    const int rows = ListView_GetItemCount(m_list);
    const std::vector<uint8_t>& flags = m_selection.flags();
    const int flagged = std::min<int>(rows, static_cast<int>(flags.size()));
    if (rows > 0 && m_selection.selectedCount() >= rows && flagged == rows) {
        setItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    } else {
        setItemState(-1, 0, LVIS_SELECTED);
        for (int i = 0; i < flagged; ++i) {
            if (flags[static_cast<size_t>(i)])
                setItemState(i, LVIS_SELECTED, LVIS_SELECTED);
        }
    }
    const int current = m_selection.current();
    if (current >= 0 && current < rows) {
        setItemState(current, LVIS_FOCUSED, LVIS_FOCUSED);
        ListView_SetSelectionMark(m_list, current);
        if (reveal)
            ListView_EnsureVisible(m_list, current, FALSE);
    } else {
        setItemState(-1, 0, LVIS_FOCUSED);
    }
    m_syncing = false;
}

bool Win32ListView::onNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != m_list)
        return false;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        if (info.item.mask & LVIF_TEXT) {
            m_text = win32::screenText(m_lines.text(info.item.iItem));
            if (info.item.pszText && info.item.cchTextMax > static_cast<int>(m_text.size())) {
                std::copy(m_text.begin(), m_text.end(), info.item.pszText);
                info.item.pszText[m_text.size()] = L'\0';
            } else {
                // A line longer than the control's buffer is handed over whole.
                info.item.pszText = m_text.data();
            }
        }
        result = 0;
        return true;
    }
    case LVN_ODSTATECHANGED: {
        const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
        if (!m_syncing && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
            m_selection.setRangeFromView(change.iFrom, change.iTo, (change.uNewState & LVIS_SELECTED) != 0);
        result = 0;
        return true;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        result = 0;
        if (m_syncing || !(change.uChanged & LVIF_STATE))
            return true;
        const UINT changed = change.uNewState ^ change.uOldState;
        if (changed & LVIS_SELECTED) {
            const bool selected = (change.uNewState & LVIS_SELECTED) != 0;
            if (change.iItem < 0)
                m_selection.setRangeFromView(0, m_lines.count() - 1, selected);
            else
                m_selection.setRangeFromView(change.iItem, change.iItem, selected);
        }
        if ((changed & LVIS_FOCUSED) && (change.uNewState & LVIS_FOCUSED) && change.iItem >= 0) {
            m_selection.setCurrentFromView(change.iItem);
            if (onCurrentPicked)
                onCurrentPicked();
        }
        return true;
    }
    case LVN_ODFINDITEMW: {
        const auto& find = reinterpret_cast<const NMLVFINDITEMW&>(header);
        result = -1;
        // A search by text (a partial one need not say it is by text, as wine's typing search does not).
        if ((find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find.lvfi.psz)
            result = findText(find.lvfi.psz, find.iStart, (find.lvfi.flags & LVFI_PARTIAL) != 0,
                              (find.lvfi.flags & LVFI_WRAP) != 0);
        return true;
    }
    case NM_CLICK: {
        // A click on the current line picks it again.
        const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
        if (click.iItem >= 0 && click.iItem == m_selection.current() && onCurrentPicked)
            onCurrentPicked();
        return false;
    }
    default:
        return false;
    }
}

LRESULT CALLBACK Win32ListView::subclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                  DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32ListView*>(data);
    switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if (!self->m_rightButtonSelects) {
            SetFocus(window);
            return 0;
        }
        break;
    case WM_RBUTTONUP:
        if (self->onRightButtonReleased) {
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(window, &at);
            self->onRightButtonReleased(at);
            return 0;
        }
        break;
    case WM_SIZE: {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        self->applyColumnWidth();
        return result;
    }
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace velmora
