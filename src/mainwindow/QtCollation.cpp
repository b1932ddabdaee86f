#include "mainwindow/QtCollation.h"

#include "core/TextUtil.h"
#include "dialogs/DisplayText.h"

#include <QCollator>

#include <algorithm>
#include <numeric>

namespace velmora {

namespace {

// True for a line of ASCII characters without NUL, which shows on screen exactly as its bytes.
bool plainAscii(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c > 0; });
}

QString screenText(std::string_view line) {
    return plainAscii(line) ? QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())) : displayText(line);
}

template <typename Less> std::vector<int32_t> stableOrder(size_t n, Less less) {
    std::vector<int32_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), less);
    return order;
}

// The C locale: lines compare by their case-folded characters. The keys are the folded texts in
// UTF-8, whose byte order is the order of the characters; a plain ASCII line folds byte by byte.
std::vector<int32_t> foldedOrder(const EntryList& list) {
    const auto n = static_cast<size_t>(list.count());
    std::string arena;
    std::vector<size_t> ends(n);
    for (size_t i = 0; i < n; ++i) {
        const std::string_view line = list.text(static_cast<int32_t>(i));
        if (plainAscii(line))
            arena += asciiLowered(line);
        else
            arena += displayText(line).toCaseFolded().toStdString();
        ends[i] = arena.size();
    }
    const auto key = [&](int32_t i) {
        const size_t begin = i == 0 ? 0 : ends[static_cast<size_t>(i) - 1];
        return std::string_view(arena).substr(begin, ends[static_cast<size_t>(i)] - begin);
    };
    return stableOrder(n, [&key](int32_t a, int32_t b) { return key(a) < key(b); });
}

} // namespace

QtCollation::QtCollation(const QLocale& locale) : m_locale(locale) {}

std::vector<int32_t> QtCollation::order(const EntryList& list) {
    // QCollator's sort keys in the C locale are the plain text and keep letter case apart.
    if (m_locale.language() == QLocale::C)
        return foldedOrder(list);
    QCollator collator(m_locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    collator.setIgnorePunctuation(false);
    const auto n = static_cast<size_t>(list.count());
    std::vector<QCollatorSortKey> keys;
    keys.reserve(n);
    for (size_t i = 0; i < n; ++i)
        keys.push_back(collator.sortKey(screenText(list.text(static_cast<int32_t>(i)))));
    return stableOrder(n, [&keys](int32_t a, int32_t b) {
        return keys[static_cast<size_t>(a)].compare(keys[static_cast<size_t>(b)]) < 0;
    });
}

} // namespace velmora
