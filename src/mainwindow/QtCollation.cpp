#include "mainwindow/QtCollation.h"

#include "core/TextUtil.h"
#include "dialogs/DisplayText.h"

#include <QCollator>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <thread>

#if VELMORA_HAVE_ICU
#include <unicode/ucol.h>
#endif

namespace velmora {

namespace {

// True for a line of ASCII characters without NUL, which shows on screen exactly as its bytes.
bool plainAscii(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c > 0; });
}

QString screenText(std::string_view line) {
    return plainAscii(line) ? QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())) : displayText(line);
}

// How many threads build keys and sort: the cores there are, for a list large enough to share out.
size_t workersFor(size_t lines) {
    constexpr size_t kLinesPerWorker = 50000;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp<size_t>(lines / kLinesPerWorker, 1, std::min<size_t>(cores, 16));
}

// Runs work(worker, first, last) on `workers` threads over equal shares of 0 .. n - 1.
template <typename Work> void inParallel(size_t workers, size_t n, Work work) {
    std::vector<std::thread> threads;
    for (size_t w = 1; w < workers; ++w)
        threads.emplace_back([&work, w, workers, n] { work(w, n * w / workers, n * (w + 1) / workers); });
    work(0, 0, n / workers);
    for (std::thread& thread : threads)
        thread.join();
}

// One line's sort key as it takes part in the sort: its first eight bytes as a number (most
// comparisons end there, without reading the key's memory), then the key, then the line's place.
struct SortItem {
    uint64_t head;
    const char* key;
    uint32_t size;
    int32_t index;
};

bool before(const SortItem& a, const SortItem& b) {
    if (a.head != b.head)
        return a.head < b.head;
    // Equal heads: the keys agree on their first eight bytes (no key holds a NUL before its end).
    const size_t skip = std::min<size_t>({8, a.size, b.size});
    const int order =
        std::string_view(a.key + skip, a.size - skip).compare(std::string_view(b.key + skip, b.size - skip));
    return order != 0 ? order < 0 : a.index < b.index; // equal keys keep the lines' order
}

uint64_t headOf(std::string_view key) {
    uint64_t head = 0;
    for (size_t i = 0; i < 8; ++i)
        head = (head << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return head;
}

// The order of the lines by their sort keys, made by makeKeys() (one per worker) appending a line's
// key to a string. Keys are built and sorted in parallel, in shares that are then merged.
// Progress runs over twice the lines: building the keys (told from this thread's share, which is as
// far as every share), then sorting and merging them.
template <typename MakeKeys>
std::vector<int32_t> orderByKeys(const EntryList& list, MakeKeys makeKeys, const OrderProgress& progress) {
    const auto n = static_cast<size_t>(list.count());
    const auto total = static_cast<int64_t>(2 * n);
    auto tell = [&progress, total](size_t done) {
        if (progress)
            progress(static_cast<int64_t>(done), total);
    };
    constexpr size_t kTellEvery = 8192;
    const size_t workers = workersFor(n);
    std::vector<std::string> arenas(workers);
    std::vector<SortItem> items(n);
    inParallel(workers, n, [&](size_t w, size_t first, size_t last) {
        auto keys = makeKeys();
        std::string& arena = arenas[w];
        for (size_t i = first; i < last; ++i) {
            if (w == 0 && (i - first) % kTellEvery == 0)
                tell((i - first) * workers);
            const size_t offset = arena.size();
            keys(list.text(static_cast<int32_t>(i)), arena);
            items[i] = SortItem{offset, nullptr, static_cast<uint32_t>(arena.size() - offset), static_cast<int32_t>(i)};
        }
        // The arena has stopped moving: the offsets become addresses.
        for (size_t i = first; i < last; ++i) {
            items[i].key = arena.data() + items[i].head;
            items[i].head = headOf(std::string_view(items[i].key, items[i].size));
        }
        if (w == 0)
            tell(n);
        std::sort(items.begin() + static_cast<std::ptrdiff_t>(first), items.begin() + static_cast<std::ptrdiff_t>(last),
                  before);
        if (w == 0)
            tell(n + n / 2);
    });
    // The sorted shares merged in pairs, each round on its own threads.
    for (size_t width = 1; width < workers; width *= 2) {
        std::vector<std::thread> merges;
        for (size_t w = 0; w + width < workers; w += 2 * width) {
            const auto first = static_cast<std::ptrdiff_t>(n * w / workers);
            const auto middle = static_cast<std::ptrdiff_t>(n * (w + width) / workers);
            const auto last = static_cast<std::ptrdiff_t>(n * std::min(w + 2 * width, workers) / workers);
            merges.emplace_back([&items, first, middle, last] {
                std::inplace_merge(items.begin() + first, items.begin() + middle, items.begin() + last, before);
            });
        }
        for (std::thread& merge : merges)
            merge.join();
    }
    std::vector<int32_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = items[i].index;
    tell(2 * n);
    return order;
}

// The C locale: lines compare by their case-folded characters. The keys are the folded texts in
// UTF-8, whose byte order is the order of the characters; a plain ASCII line folds byte by byte.
auto foldedKeys() {
    return [](std::string_view line, std::string& out) {
        if (plainAscii(line)) {
            const size_t start = out.size();
            out.append(line);
            for (size_t i = start; i < out.size(); ++i)
                out[i] = asciiLower(out[i]);
        } else {
            out += displayText(line).toCaseFolded().toStdString();
        }
    };
}

#if VELMORA_HAVE_ICU
// The locale's collation through ICU itself, set as QCollator sets it for letter case ignored (the
// secondary strength), no numeric mode and punctuation counted; the keys are ICU's sort keys.
class IcuKeys {
public:
    explicit IcuKeys(const QLocale& locale) {
        UErrorCode status = U_ZERO_ERROR;
        const QByteArray name = locale.bcp47Name().replace('-', '_').toLatin1();
        m_collator = ucol_open(name.constData(), &status);
        if (U_FAILURE(status)) {
            m_collator = nullptr;
            return;
        }
        ucol_setAttribute(m_collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        ucol_setAttribute(m_collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
        ucol_setAttribute(m_collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
        ucol_setAttribute(m_collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    }
    ~IcuKeys() {
        if (m_collator)
            ucol_close(m_collator);
    }
    IcuKeys(IcuKeys&& other) noexcept : m_collator(std::exchange(other.m_collator, nullptr)) {}
    IcuKeys(const IcuKeys&) = delete;
    IcuKeys& operator=(const IcuKeys&) = delete;
    IcuKeys& operator=(IcuKeys&&) = delete;

    bool valid() const { return m_collator != nullptr; }

    void operator()(std::string_view line, std::string& out) {
        m_text.clear();
        if (plainAscii(line)) {
            m_text.assign(line.begin(), line.end());
        } else {
            const QString text = displayText(line);
            m_text.assign(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
        }
        const size_t start = out.size();
        size_t room = 3 * m_text.size() + 16;
        for (;;) {
            out.resize(start + room);
            const int32_t size = ucol_getSortKey(
                m_collator, reinterpret_cast<const UChar*>(m_text.data()), static_cast<int32_t>(m_text.size()),
                reinterpret_cast<uint8_t*>(out.data() + start), static_cast<int32_t>(room));
            if (size <= 0) {
                out.resize(start);
                return;
            }
            if (static_cast<size_t>(size) <= room) {
                out.resize(start + static_cast<size_t>(size));
                return;
            }
            room = static_cast<size_t>(size);
        }
    }

private:
    UCollator* m_collator = nullptr;
    std::u16string m_text;
};
#endif

} // namespace

QtCollation::QtCollation(const QLocale& locale) : m_locale(locale) {}

std::vector<int32_t> QtCollation::order(const EntryList& list, const OrderProgress& progress) {
    // QCollator's sort keys in the C locale are the plain text and keep letter case apart.
    if (m_locale.language() == QLocale::C)
        return orderByKeys(
            list, [] { return foldedKeys(); }, progress);
#if VELMORA_HAVE_ICU
    if (IcuKeys(m_locale).valid())
        return orderByKeys(
            list, [this] { return IcuKeys(m_locale); }, progress);
#endif
    QCollator collator(m_locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    collator.setIgnorePunctuation(false);
    const auto n = static_cast<size_t>(list.count());
    std::vector<QCollatorSortKey> keys;
    keys.reserve(n);
    for (size_t i = 0; i < n; ++i)
        keys.push_back(collator.sortKey(screenText(list.text(static_cast<int32_t>(i)))));
    std::vector<int32_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](int32_t a, int32_t b) {
        return keys[static_cast<size_t>(a)].compare(keys[static_cast<size_t>(b)]) < 0;
    });
    if (progress)
        progress(1, 1);
    return order;
}

} // namespace velmora
