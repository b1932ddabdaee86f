#pragma once

#include "core/EntryList.h"

#include <string>

// The sixteen list operations under their classic names. The list itself stands in for the handle
// `lhWnd`. -1 means "no entry" in every result and "every entry" as the index of SetListItemSelected.
namespace velmora {

inline int32_t ListItemSelCount(const EntryList& lhWnd) { return lhWnd.selCount(); }
inline int32_t ListItemSelected(const EntryList& lhWnd, int32_t index) { return lhWnd.itemSelected(index); }
inline void SetListItemSelected(EntryList& lhWnd, int32_t index, int32_t value) { lhWnd.setItemSelected(index, value); }
inline int32_t ListItemIndex(const EntryList& lhWnd) { return lhWnd.currentIndex(); }
inline void SetListItemIndex(EntryList& lhWnd, int32_t index) { lhWnd.setCurrentIndex(index); }
inline int32_t ListItemData(const EntryList& lhWnd, int32_t index) { return lhWnd.itemData(index); }
inline void SetListItemData(EntryList& lhWnd, int32_t index, int32_t value) { lhWnd.setItemData(index, value); }
inline int32_t ListItemCount(const EntryList& lhWnd) { return lhWnd.count(); }
inline void ListRemoveItem(EntryList& lhWnd, int32_t index) { lhWnd.removeItem(index); }
inline int32_t ListAddItemText(EntryList& lhWnd, const std::string& text) { return lhWnd.addItemText(text); }
inline std::string ListItemText(const EntryList& lhWnd, int32_t index) { return lhWnd.itemText(index); }
inline int32_t ListItemFindText(const EntryList& lhWnd, const std::string& text) { return lhWnd.findText(text); }
inline int32_t ListItemFindExactText(const EntryList& lhWnd, const std::string& text) {
    return lhWnd.findExactText(text);
}
inline int32_t ListItemSelectText(EntryList& lhWnd, const std::string& text) { return lhWnd.selectText(text); }
inline void ListItemUnSelectAll(EntryList& lhWnd) { lhWnd.unselectAll(); }
inline void ListItemSelectAll(EntryList& lhWnd) { lhWnd.selectAll(); }

} // namespace velmora
