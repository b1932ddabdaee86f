#pragma once

#include <QtCore/qnamespace.h>

#include <cstdint>

class QKeyEvent;

namespace velmora {

// The key-down arguments of the window's handlers. virtualKeyCode: the virtual-key code of the key
// (letters and digits as their upper-case character, keypad digits 96 to 105, Enter 13, Space 32,
// Insert 45, Delete 46, F1 112 to F24 135, ...; 0 for a key without a code). shiftState: the
// modifier keys as bits (1 Shift, 2 Ctrl, 4 Alt).
int16_t virtualKeyCode(const QKeyEvent& event);
int16_t shiftState(Qt::KeyboardModifiers modifiers);
// A mouse button as the window's handlers number it: 1 left, 2 right, 4 middle, 0 any other.
int16_t mouseButtonCode(Qt::MouseButton button);

} // namespace velmora
