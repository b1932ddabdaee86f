#include "win32/Win32ListKeys.h"

namespace velmora::win32 {

ListKeyAction listKeyAction(UINT virtualKey, bool shift, bool ctrl, bool alt) {
    const bool ctrlAlone = ctrl && !shift && !alt;
    switch (virtualKey) {
    case 'A':
        return ctrlAlone ? ListKeyAction::SelectAll : ListKeyAction::FocusOnly;
    case VK_DELETE:
        return ListKeyAction::DeleteLines;
    case VK_SPACE:
    case VK_INSERT:
    case VK_F2:
        return ListKeyAction::AddLine;
    case VK_F3:
        return ctrlAlone ? ListKeyAction::FindAsking : ListKeyAction::FindNext;
    case 'F':
        return ctrlAlone ? ListKeyAction::FindAsking : ListKeyAction::FocusOnly;
    default:
        return ListKeyAction::FocusOnly;
    }
}

} // namespace velmora::win32
