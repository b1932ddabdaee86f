#pragma once

#include <QtCore/qnamespace.h>

namespace velmora {

// What a key pressed in the HOSTS lines does. The list handles the key afterwards as usual.
enum class ListKeyAction {
    SelectAll,   // Ctrl+A alone
    DeleteLines, // Del, with any modifier
    AddLine,     // Space, Ins or F2
    FindNext,    // F3
    FindAsking,  // Ctrl+F, or Ctrl+F3: asks for the text first
    FocusOnly,   // any other key: the list keeps the focus
};

ListKeyAction listKeyAction(int key, Qt::KeyboardModifiers modifiers);

} // namespace velmora
