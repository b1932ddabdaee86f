#include "win32/Win32Collation.h"

#include "win32/Win32Look.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace velmora {

namespace {

// One line's sort key as it takes part in the sort: its first eight bytes as a number (most
// comparisons end there, without reading the key's memory), then the key, then the line's place.
struct SortItem {
    uint64_t head;
    size_t key;
    uint32_t size;
    int32_t index;
};

uint64_t headOf(const unsigned char* key, size_t size) {
    uint64_t head = 0;
    for (size_t i = 0; i < 8; ++i)
        head = (head << 8) | (i < size ? key[i] : 0u);
    return head;
}

// How often the ordering tells how far it has come.
constexpr int32_t kProgressEvery = 4096;

} // namespace

std::vector<int32_t> Win32Collation::order(const EntryList& list, const OrderProgress& progress) {
    const int32_t n = list.count();
    const int64_t total = 2 * static_cast<int64_t>(n);
    std::vector<unsigned char> keys;
    std::vector<SortItem> items(static_cast<size_t>(n));
    std::wstring text;
    for (int32_t i = 0; i < n; ++i) {
        text = win32::screenText(list.text(i));
        const size_t at = keys.size();
        const int length = static_cast<int>(text.size());
        // Punctuation counts as a character of its own, as in the Qt window's order, rather than being
        // passed over as in a word sort.
        const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE | SORT_STRINGSORT;
        const int size = length == 0 ? 0
                                     : LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, text.c_str(), length, nullptr, 0,
                                                     nullptr, nullptr, 0);
        keys.resize(at + static_cast<size_t>(std::max(size, 0)));
        if (size > 0)
            LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, text.c_str(), length,
                          reinterpret_cast<LPWSTR>(keys.data() + at), size, nullptr, nullptr, 0);
        items[static_cast<size_t>(i)] = SortItem{0, at, static_cast<uint32_t>(std::max(size, 0)), i};
        if (progress && i % kProgressEvery == 0)
            progress(i, total);
    }
    for (SortItem& item : items)
        item.head = headOf(keys.data() + item.key, item.size);
    const unsigned char* base = keys.data();
    std::sort(items.begin(), items.end(), [base](const SortItem& a, const SortItem& b) {
        if (a.head != b.head)
            return a.head < b.head;
        const int order = std::memcmp(base + a.key, base + b.key, std::min(a.size, b.size));
        if (order != 0)
            return order < 0;
        return a.size != b.size ? a.size < b.size : a.index < b.index; // equal keys keep the lines' order
    });
    if (progress)
        progress(total, total);
    std::vector<int32_t> order(static_cast<size_t>(n));
    for (size_t k = 0; k < items.size(); ++k)
        order[k] = items[k].index;
    return order;
}

} // namespace velmora
