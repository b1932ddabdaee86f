#include "mainwindow/ListKeys.h"

namespace velmora {

ListKeyAction listKeyAction(int key, Qt::KeyboardModifiers modifiers) {
    // Only Shift, Ctrl and Alt count: a key on the keypad is the same key.
    const Qt::KeyboardModifiers held = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool ctrlAlone = held == Qt::ControlModifier;
    switch (key) {
    case Qt::Key_A:
        return ctrlAlone ? ListKeyAction::SelectAll : ListKeyAction::FocusOnly;
    case Qt::Key_Delete:
        return ListKeyAction::DeleteLines;
    case Qt::Key_Space:
    case Qt::Key_Insert:
    case Qt::Key_F2:
        return ListKeyAction::AddLine;
    case Qt::Key_F3:
        return ctrlAlone ? ListKeyAction::FindAsking : ListKeyAction::FindNext;
    case Qt::Key_F:
        return ctrlAlone ? ListKeyAction::FindAsking : ListKeyAction::FocusOnly;
    default:
        return ListKeyAction::FocusOnly;
    }
}

} // namespace velmora
