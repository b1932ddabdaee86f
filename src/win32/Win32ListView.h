#pragma once

#include "core/EntryList.h"
#include "core/Selection.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

namespace velmora {

// A list view over lines whose selection and current line stay those of a Selection, as the Qt
// EntryListView is: an owner-data report view of one column and uniform rows, so that a million lines
// cost the control nothing but their number. What the user selects is written to the Selection, what
// the program selects is shown (and the current line scrolled into view when the program asks for it).
// The view hides itself while its lines have a bulk change running, and its column is as wide as the
// widest line, which can be scrolled to.
class Win32ListView final : private EntryListObserver {
public:
    Win32ListView(HWND parent, int id, const RECT& place, const LineSource& lines, Selection& selection,
                  bool multipleSelection);
    // Goes before the lines and the selection it shows.
    ~Win32ListView() override;
    Win32ListView(const Win32ListView&) = delete;
    Win32ListView& operator=(const Win32ListView&) = delete;

    HWND handle() const { return m_list; }
    void setLook(HFONT font, COLORREF text, COLORREF background);
    // Whether the right button selects like the left one (the default). When not, a right click leaves
    // the selection and the current line as they are.
    void setRightButtonSelects(bool selects) { m_rightButtonSelects = selects; }

    // The list's notifications to its parent that it answers itself: the text of a row and what the
    // user selected. True when handled, with the result to return.
    bool onNotify(const NMHDR& header, LRESULT& result);

    // The right mouse button released over the list, at that point of the screen.
    std::function<void(POINT)> onRightButtonReleased;
    // The user made a line the current one, by clicking it or with a key.
    std::function<void()> onCurrentPicked;

private:
    void entriesReset() override;
    void entriesAppended(int32_t first, int32_t count) override;
    void bulkChange(bool running) override;

    void copyFromSelection(bool reveal);
    // Widens the column to the widest of the lines from `first` on (the longest in bytes are measured),
    // or from nothing when `restart` is set.
    void fitColumn(int32_t first, bool restart);
    void applyColumnWidth();
    // The first line from `start` on (wrapping round when asked) whose screen text begins with `text`
    // (or is `text`, when not `partial`), letter case ignored: the control's search as the user types.
    int findText(const wchar_t* text, int start, bool partial, bool wrap) const;
    void setItemState(int index, UINT state, UINT mask);
    static LRESULT CALLBACK subclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                              DWORD_PTR self);

    HWND m_list;
    const LineSource& m_lines;
    Selection& m_selection;
    std::wstring m_text; // the row text last handed to the control
    int m_widest = 0;
    bool m_syncing = false;
    bool m_rightButtonSelects = true;
};

} // namespace velmora
