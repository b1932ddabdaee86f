#include "win32/Win32GraphicalButton.h"

#include "win32/Win32Look.h"
#include "win32/Win32Pictures.h"

namespace velmora {

void drawGraphicalButton(const DRAWITEMSTRUCT& item, COLORREF face, const win32::Picture* picture) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool sunken = (item.itemState & ODS_SELECTED) != 0;
    HBRUSH brush = CreateSolidBrush(face);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    DrawEdge(dc, &r, sunken ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    const int shift = sunken ? 1 : 0;
    RECT inner{r.left + 3 + shift, r.top + 3 + shift, r.right - 3 + shift, r.bottom - 3 + shift};
    const std::wstring caption = win32::windowText(item.hwndItem);
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int textHeight = caption.empty() ? 0 : metrics.tmHeight;
    const int innerHeight = inner.bottom - inner.top;
    int top = inner.top + (innerHeight - textHeight) / 2;
    if (picture) {
        const int gap = textHeight > 0 ? 1 : 0;
        top = inner.top + (innerHeight - picture->height - gap - textHeight) / 2;
        const int left = inner.left + (inner.right - inner.left - picture->width) / 2;
        win32::drawPicture(dc, *picture, RECT{left, top, left + picture->width, top + picture->height});
        top += picture->height + gap;
    }
    if (textHeight > 0) {
        RECT text{inner.left, top, inner.right, top + textHeight};
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        if (item.itemState & ODS_NOACCEL)
            format |= DT_HIDEPREFIX;
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, format);
    }
    SelectObject(dc, oldFont);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus{r.left + 4, r.top + 4, r.right - 4, r.bottom - 4};
        DrawFocusRect(dc, &focus);
    }
}

} // namespace velmora
