#include "mainwindow/KeyCodes.h"

#include <QKeyEvent>

namespace velmora {

namespace {

struct KeyCode {
    int key;
    int16_t code;
};

constexpr KeyCode kKeyCodes[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},     {Qt::Key_Backtab, 9},  {Qt::Key_Clear, 12},  {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},  {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},    {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27}, {Qt::Key_Space, 32},   {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},      {Qt::Key_Home, 36},   {Qt::Key_Left, 37},    {Qt::Key_Up, 38},     {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},     {Qt::Key_Print, 44},  {Qt::Key_Insert, 45},  {Qt::Key_Delete, 46}, {Qt::Key_Help, 47},
};

} // namespace

int16_t virtualKeyCode(const QKeyEvent& event) {
    const int key = event.key();
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    if (digit && (event.modifiers() & Qt::KeypadModifier))
        return static_cast<int16_t>(96 + (key - Qt::Key_0));
    if (digit || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return static_cast<int16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<int16_t>(112 + (key - Qt::Key_F1));
    for (const KeyCode& entry : kKeyCodes) {
        if (entry.key == key)
            return entry.code;
    }
    return 0;
}

int16_t shiftState(Qt::KeyboardModifiers modifiers) {
    int16_t state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= 1;
    if (modifiers & Qt::ControlModifier)
        state |= 2;
    if (modifiers & Qt::AltModifier)
        state |= 4;
    return state;
}

int16_t mouseButtonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

} // namespace velmora
