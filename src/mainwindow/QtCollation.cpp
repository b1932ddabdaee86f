#include "mainwindow/QtCollation.h"

#include "dialogs/DisplayText.h"

#include <QCollator>

#include <algorithm>
#include <numeric>

namespace velmora {

namespace {

template <typename Key, typename MakeKey> std::vector<int32_t> sortByKeys(const EntryList& list, MakeKey makeKey) {
    const auto n = static_cast<size_t>(list.count());
    std::vector<Key> keys;
    keys.reserve(n);
    for (size_t i = 0; i < n; ++i)
        keys.push_back(makeKey(displayText(list.view(static_cast<int32_t>(i)))));
    std::vector<int32_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](int32_t a, int32_t b) {
        return keys[static_cast<size_t>(a)].compare(keys[static_cast<size_t>(b)]) < 0;
    });
    return order;
}

} // namespace

QtCollation::QtCollation(const QLocale& locale) : m_locale(locale) {}

std::vector<int32_t> QtCollation::order(const EntryList& list) {
    // QCollator's sort keys in the C locale are the plain text and keep letter case apart.
    if (m_locale.language() == QLocale::C)
        return sortByKeys<QString>(list, [](const QString& text) { return text.toCaseFolded(); });
    QCollator collator(m_locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    collator.setIgnorePunctuation(false);
    return sortByKeys<QCollatorSortKey>(list, [&collator](const QString& text) { return collator.sortKey(text); });
}

} // namespace velmora
