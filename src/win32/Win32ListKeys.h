#pragma once

#include <windows.h>

namespace velmora::win32 {

// What a key pressed in the HOSTS lines does, as in the Qt window. The list handles the key afterwards
// as usual.
enum class ListKeyAction {
    SelectAll,   // Ctrl+A alone
    DeleteLines, // Del, with any modifier
    AddLine,     // Space, Ins or F2
    FindNext,    // F3
    FindAsking,  // Ctrl+F, or Ctrl+F3: asks for the text first
    FocusOnly,   // any other key: the list keeps the focus
};

// Only Shift, Ctrl and Alt count, and Ctrl must be held alone.
ListKeyAction listKeyAction(UINT virtualKey, bool shift, bool ctrl, bool alt);

} // namespace velmora::win32
