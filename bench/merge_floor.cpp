// The floor of `velmora --add`: the same merge and the same save, written as plainly as the work allows
// and with nothing else in the program (no Velmora library, no window, no downloads). make bench runs it
// beside velmora on copies of the same HOSTS file and checks that both leave the same bytes.
//
// The merge: the HOSTS file's lines stay as they are, each indexed by the form a list line of the same
// text would take; each list line (a byte-order mark at its start dropped, spaces trimmed, blank lines
// skipped) becomes "127.0.0.1 " + the line unless it begins with "#" or ";" or its first field is an IPv4
// or IPv6 address, a "127.0.0.1" line keeps one space after the address, and it is appended unless the
// file or the list already has it (ASCII letter case ignored); comments pass, a "# source: " note and
// block markers that do not pair up do not. The save: the old file copied to HOSTS.bak (a new file,
// synced, renamed), the new one written beside the file, synced and renamed over it, the folder synced;
// each line followed by the file's own line end. Nothing new: nothing written.
//
// Usage: merge_floor LIST HOSTS   (HOSTS is rewritten; pass a copy)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kLocal = "127.0.0.1 ";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr size_t kChunk = size_t{1} << 20;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "merge_floor: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

uint64_t load8(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

uint64_t lower8(uint64_t w) {
    constexpr uint64_t ones = 0x0101010101010101ull;
    const uint64_t low = w & (0x7F * ones);
    const uint64_t upper = (low + (0x80 - 'A') * ones) & ~(low + (0x80 - 'Z' - 1) * ones) & ~w & (0x80 * ones);
    return w | (upper >> 2);
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool iequal(const char* a, const char* b, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        if (lower8(load8(a + i)) != lower8(load8(b + i)))
            return false;
    for (; i < n; ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

bool istarts(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && iequal(text.data(), prefix.data(), prefix.size());
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

bool hex(char c) {
    return digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool ipv4(std::string_view t) {
    static constexpr uint64_t kMax[] = {0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
    int parts = 0;
    size_t i = 0;
    for (;;) {
        const size_t start = i;
        uint64_t v = 0;
        while (i < t.size() && digit(t[i]))
            v = std::min<uint64_t>(v * 10 + static_cast<uint64_t>(t[i++] - '0'), uint64_t{1} << 33);
        if (i == start)
            return false;
        if (i == t.size())
            return v <= kMax[parts];
        if (t[i] != '.' || parts == 3 || v > 255)
            return false;
        ++parts;
        ++i;
    }
}

bool quad(std::string_view t) {
    int octets = 0;
    size_t i = 0;
    for (;;) {
        const size_t start = i;
        int v = 0;
        while (i < t.size() && digit(t[i]) && i - start < 3)
            v = v * 10 + (t[i++] - '0');
        if (i == start || v > 255 || (i - start > 1 && t[start] == '0'))
            return false;
        ++octets;
        if (i == t.size())
            return octets == 4;
        if (t[i] != '.' || octets == 4)
            return false;
        ++i;
    }
}

bool groups(std::string_view part, bool quadAtEnd, int& n) {
    if (part.empty())
        return true;
    for (size_t start = 0;;) {
        const size_t colon = part.find(':', start);
        const std::string_view g = part.substr(start, colon == std::string_view::npos ? colon : colon - start);
        if (colon == std::string_view::npos && quadAtEnd && g.find('.') != std::string_view::npos) {
            n += 2;
            return quad(g);
        }
        if (g.empty() || g.size() > 4 || !std::all_of(g.begin(), g.end(), hex))
            return false;
        ++n;
        if (colon == std::string_view::npos)
            return true;
        start = colon + 1;
    }
}

bool ipv6(std::string_view t) {
    if (const size_t pct = t.find('%'); pct != std::string_view::npos) {
        if (pct + 1 == t.size())
            return false;
        t = t.substr(0, pct);
    }
    const size_t gap = t.find("::");
    int n = 0;
    if (gap == std::string_view::npos)
        return groups(t, true, n) && n == 8;
    if (t.find("::", gap + 1) != std::string_view::npos)
        return false;
    return groups(t.substr(0, gap), false, n) && groups(t.substr(gap + 2), true, n) && n <= 7;
}

// The first field is an address: 0.0.0.0 without parsing, and names give themselves away at their first
// byte that no address has.
bool addressLine(std::string_view line) {
    if (line.starts_with("0.0.0.0") && (line.size() == 7 || line[7] == ' ' || line[7] == '\t'))
        return true;
    size_t end = 0;
    bool colon = false;
    for (; end < line.size(); ++end) {
        const char c = line[end];
        if (c == ' ' || c == '\t' || c == '%')
            break;
        if (c == ':')
            colon = true;
        else if (!hex(c) && c != '.')
            return false;
    }
    if (end < line.size() && line[end] == '%') {
        if (!colon)
            return false;
        end = std::min(line.size(), line.find_first_of(" \t", end));
    }
    const std::string_view field = line.substr(0, end);
    return colon ? ipv6(field) : ipv4(field);
}

// A trimmed, non-blank line as it is stored: "127.0.0.1 " in front (local) and the rest.
struct Key {
    bool local = false;
    std::string_view rest;
};

Key normalise(std::string_view line) {
    if (line.starts_with(kLocal) || line.starts_with("127.0.0.1\t")) {
        std::string_view rest = line.substr(kLocal.size());
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        return {true, rest};
    }
    if (line.front() == '#' || line.front() == ';' || addressLine(line))
        return {false, line};
    return {true, line};
}

uint64_t load4(const char* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

// Bit 5 set in every byte takes letter case out of the hash; the index compares the texts.
uint32_t hashKey(const Key& key) {
    constexpr uint64_t kCaseless = 0x2020202020202020ull;
    uint64_t h = key.local ? 0x13198a2e03707344ull : 0x243f6a8885a308d3ull;
    const char* p = key.rest.data();
    const size_t n = key.rest.size();
    auto mix = [&](uint64_t w) {
        h = (h ^ (w | kCaseless)) * 0x9e3779b97f4a7c15ull;
        h ^= h >> 29;
    };
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        mix(load8(p + i));
    if (i < n) {
        if (n >= 8)
            mix(load8(p + n - 8));
        else if (n >= 4)
            mix(load4(p) | (load4(p + n - 4) << 32));
        else
            mix(static_cast<unsigned char>(p[0]) | uint64_t{static_cast<unsigned char>(p[n / 2])} << 8 |
                uint64_t{static_cast<unsigned char>(p[n - 1])} << 16);
    }
    mix(n);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return static_cast<uint32_t>(h);
}

// Zeroed memory in huge pages where the system has them: a page fault per 2 MiB instead of per 4 KiB.
// Pages never touched cost nothing.
void* bigBlock(size_t bytes) {
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        fail("out of memory");
    madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

// The output file as it grows: every line followed by the line end.
struct Output {
    char* data = nullptr;
    size_t size = 0;
    size_t capacity = 0;
    void reserve(size_t bytes) {
        if (bytes <= capacity)
            return;
        void* moved = data ? mremap(data, capacity, bytes, MREMAP_MAYMOVE) : bigBlock(bytes);
        if (moved == MAP_FAILED)
            fail("out of memory");
        data = static_cast<char*>(moved);
        capacity = bytes;
    }
    void put(std::string_view a, std::string_view b, std::string_view end) {
        if (size + a.size() + b.size() + end.size() > capacity)
            reserve(std::max(capacity * 2, size + a.size() + b.size() + end.size()));
        std::memcpy(data + size, a.data(), a.size());
        std::memcpy(data + size + a.size(), b.data(), b.size());
        std::memcpy(data + size + a.size() + b.size(), end.data(), end.size());
        size += a.size() + b.size() + end.size();
    }
};

// Open addressing over line offsets: the key's hash above, the offset of its line in the output + 1 below.
// Lines below hostsEnd are the file's own and are compared by their key form.
struct Index {
    uint64_t* slots = nullptr;
    size_t mask = 0;
    size_t used = 0;
    const Output* out = nullptr;
    size_t hostsEnd = 0;
    char lineEnd = '\n';

    void size(size_t keys) {
        size_t n = 1024;
        while (n * 4 < keys * 5)
            n *= 2;
        slots = static_cast<uint64_t*>(bigBlock(n * sizeof(uint64_t)));
        mask = n - 1;
    }
    std::string_view lineAt(size_t offset) const {
        const char* p = out->data + offset;
        return {p, static_cast<size_t>(static_cast<const char*>(std::memchr(p, lineEnd, out->size - offset)) - p)};
    }
    bool same(size_t offset, const Key& key) const {
        std::string_view text = lineAt(offset);
        if (offset < hostsEnd) {
            if (text.starts_with(kBom))
                text.remove_prefix(kBom.size());
            const Key stored = normalise(trim(text));
            return stored.local == key.local && stored.rest.size() == key.rest.size() &&
                   iequal(stored.rest.data(), key.rest.data(), key.rest.size());
        }
        if (key.local)
            return text.size() == kLocal.size() + key.rest.size() && text.starts_with(kLocal) &&
                   iequal(text.data() + kLocal.size(), key.rest.data(), key.rest.size());
        return text.size() == key.rest.size() && iequal(text.data(), key.rest.data(), key.rest.size());
    }
    void grow() {
        uint64_t* old = slots;
        const size_t oldMask = mask;
        slots = static_cast<uint64_t*>(bigBlock((mask + 1) * 2 * sizeof(uint64_t)));
        mask = mask * 2 + 1;
        for (size_t i = 0; i <= oldMask; ++i) {
            if (old[i] == 0)
                continue;
            size_t pos = (old[i] >> 32) & mask;
            while (slots[pos] != 0)
                pos = (pos + 1) & mask;
            slots[pos] = old[i];
        }
        munmap(old, (oldMask + 1) * sizeof(uint64_t));
    }
    // True (and entered as the line at offset) when the key was not there.
    bool insert(const Key& key, uint32_t hash, size_t offset) {
        if ((used + 1) * 5 > (mask + 1) * 4)
            grow();
        for (size_t pos = hash & mask;; pos = (pos + 1) & mask) {
            const uint64_t slot = slots[pos];
            if (slot == 0) {
                slots[pos] = (uint64_t{hash} << 32) | (offset + 1);
                ++used;
                return true;
            }
            if (slot >> 32 == hash && same((slot & 0xFFFFFFFFu) - 1, key))
                return false;
        }
    }
    void prefetch(uint32_t hash) const { __builtin_prefetch(&slots[hash & mask]); }
};

// Lines end at LF, CR LF or a lone CR; the next CR and the next LF are each looked for once.
template <typename OnLine> void forEachLine(std::string_view data, OnLine&& onLine) {
    const char* p = data.data();
    const char* const end = p + data.size();
    auto next = [end](const char* from, char c) {
        const void* found = std::memchr(from, c, static_cast<size_t>(end - from));
        return found ? static_cast<const char*>(found) : end;
    };
    const char* cr = next(p, '\r');
    const char* lf = next(p, '\n');
    while (p < end) {
        if (cr < p)
            cr = next(p, '\r');
        if (lf < p)
            lf = next(p, '\n');
        const char* e = std::min(cr, lf);
        onLine(std::string_view(p, static_cast<size_t>(e - p)));
        if (e == end)
            return;
        p = e + 1;
        if (*e == '\r' && p < end && *p == '\n')
            ++p;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: merge_floor LIST HOSTS\n");
        return 2;
    }
    const std::string listPath = argv[1];
    const std::string hostsPath = argv[2];

    // The HOSTS file, whole: it is also the backup's content.
    const int hostsFd = open(hostsPath.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat hostsInfo {};
    if (hostsFd < 0 || fstat(hostsFd, &hostsInfo) != 0)
        fail(hostsPath);
    std::string hosts(static_cast<size_t>(hostsInfo.st_size), '\0');
    size_t got = 0;
    while (got < hosts.size()) {
        const ssize_t n = read(hostsFd, hosts.data() + got, hosts.size() - got);
        if (n < 0)
            fail(hostsPath);
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    hosts.resize(got);
    close(hostsFd);
    const size_t firstEnd = hosts.find_first_of("\r\n");
    const std::string_view lineEnd = firstEnd != std::string::npos && hosts[firstEnd] == '\r' &&
                                             firstEnd + 1 < hosts.size() && hosts[firstEnd + 1] == '\n'
                                         ? "\r\n"
                                         : "\n";

    const int listFd = open(listPath.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat listInfo {};
    if (listFd < 0 || fstat(listFd, &listInfo) != 0)
        fail(listPath);
    const auto listSize = static_cast<size_t>(listInfo.st_size);
    std::vector<char> buffer(kChunk);
    ssize_t first = read(listFd, buffer.data(), buffer.size());
    if (first < 0)
        fail(listPath);

    // Sizes from the files: the HOSTS lines are counted, the list's estimated from its first megabyte.
    const auto hostsLines = static_cast<size_t>(std::count(hosts.begin(), hosts.end(), '\n')) + 1;
    const size_t sampleLines = static_cast<size_t>(std::count(buffer.data(), buffer.data() + first, '\n')) + 1;
    const size_t listLines = first > 0 ? sampleLines * (listSize / static_cast<size_t>(first) + 1) : 0;
    Output out;
    out.reserve(hosts.size() + lineEnd.size() * hostsLines + listSize + 12 * listLines + 64);
    Index index;
    index.out = &out;
    index.lineEnd = lineEnd[0];
    index.size(hostsLines + listLines);

    forEachLine(hosts, [&](std::string_view line) {
        const size_t at = out.size;
        out.put({}, line, lineEnd);
        std::string_view text = line;
        if (text.starts_with(kBom))
            text.remove_prefix(kBom.size());
        text = trim(text);
        if (text.empty() || text.front() == '#')
            return;
        const Key key = normalise(text);
        index.insert(key, hashKey(key), at);
    });
    index.hostsEnd = out.size;

    // The list, a megabyte at a time; lines are looked up eight behind the one read, so that their slots
    // are fetched meanwhile. Comments go through the same queue, to keep their places.
    struct Pending {
        Key key;
        uint32_t hash = 0;
        bool comment = false;
    };
    Pending queue[8];
    size_t head = 0, waiting = 0;
    size_t added = 0;
    std::vector<size_t> markers; // offsets of appended lines that begin like a block marker
    auto store = [&](const Pending& p) {
        const size_t at = out.size;
        if (!p.comment && !index.insert(p.key, p.hash, at))
            return;
        out.put(p.key.local ? kLocal : std::string_view(), p.key.rest, lineEnd);
        ++added;
        if (p.comment && (istarts(p.key.rest, "#BEGIN of ") || istarts(p.key.rest, "#END of ")))
            markers.push_back(at);
    };
    auto flush = [&] {
        for (; waiting > 0; --waiting, head = (head + 1) % 8)
            store(queue[head]);
    };
    auto take = [&](std::string_view raw) {
        if (raw.starts_with(kBom))
            raw.remove_prefix(kBom.size());
        const std::string_view line = trim(raw);
        if (line.empty())
            return;
        Pending p;
        p.key = normalise(line);
        p.comment = !p.key.local && line.front() == '#';
        if (p.comment && line.starts_with("# source: "))
            return;
        if (!p.comment) {
            p.hash = hashKey(p.key);
            index.prefetch(p.hash);
        }
        if (waiting == 8) {
            store(queue[head]);
            head = (head + 1) % 8;
            --waiting;
        }
        queue[(head + waiting) % 8] = p;
        ++waiting;
    };
    size_t filled = static_cast<size_t>(first);
    bool atEnd = first == 0;
    for (;;) {
        // The whole lines of the buffer; an unfinished last line (or a CR that may yet have its LF) waits
        // for the next read, unless the file has ended.
        size_t whole = filled;
        if (!atEnd) {
            whole = 0;
            for (size_t k = filled; k-- > 0;) {
                if (buffer[k] == '\n') {
                    whole = k + 1;
                    break;
                }
                if (buffer[k] == '\r' && k + 1 < filled) {
                    whole = k + 1 + (buffer[k + 1] == '\n');
                    break;
                }
            }
        }
        forEachLine(std::string_view(buffer.data(), whole), take);
        flush();
        std::memmove(buffer.data(), buffer.data() + whole, filled - whole);
        filled -= whole;
        if (atEnd)
            break;
        if (filled * 2 > buffer.size())
            buffer.resize(buffer.size() * 2);
        const ssize_t n = read(listFd, buffer.data() + filled, buffer.size() - filled);
        if (n < 0)
            fail(listPath);
        atEnd = n == 0;
        filled += static_cast<size_t>(n);
    }
    close(listFd);

    // Block markers that do not pair up go: a start pairs with the first end of its name after it when
    // no other start comes between.
    if (!markers.empty()) {
        std::vector<uint8_t> drop(markers.size(), 0);
        auto text = [&](size_t k) { return index.lineAt(markers[k]); };
        for (size_t i = 0; i < markers.size(); ++i) {
            if (istarts(text(i), "#END of ")) {
                drop[i] = 1;
                continue;
            }
            const std::string_view name = trim(text(i).substr(10));
            size_t j = i + 1;
            for (; j < markers.size(); ++j) {
                const std::string_view t = text(j);
                if (istarts(t, "#BEGIN of ") || (istarts(t, "#END of ") && trim(t.substr(8)).size() == name.size() &&
                                                 iequal(trim(t.substr(8)).data(), name.data(), name.size())))
                    break;
            }
            if (j < markers.size() && istarts(text(j), "#END of ")) {
                for (size_t k = i + 1; k < j; ++k)
                    drop[k] = istarts(text(k), "#END of ") ? 1 : 0;
                i = j;
            } else {
                drop[i] = 1;
            }
        }
        size_t write = markers[0];
        size_t read = markers[0];
        for (size_t k = 0; k < markers.size(); ++k) {
            const size_t length = index.lineAt(markers[k]).size() + lineEnd.size();
            std::memmove(out.data + write, out.data + read, markers[k] - read);
            write += markers[k] - read;
            read = markers[k];
            if (drop[k]) {
                read += length;
                --added;
            }
        }
        std::memmove(out.data + write, out.data + read, out.size - read);
        out.size = write + (out.size - read);
    }
    if (added == 0) {
        std::printf("merge_floor: nothing new\n");
        return 0;
    }

    // The backup, then the file: each a new file beside it, synced and renamed into place.
    const std::string folder =
        hostsPath.find('/') == std::string::npos ? std::string(".") : hostsPath.substr(0, hostsPath.rfind('/') + 1);
    auto replace = [&](const std::string& target, const char* data, size_t size) {
        const std::string temp = target + ".floor-new";
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, hostsInfo.st_mode & 07777);
        if (fd < 0)
            fail(temp);
        if (fchmod(fd, hostsInfo.st_mode & 07777) != 0)
            fail(temp);
        for (size_t done = 0; done < size;) {
            const ssize_t n = write(fd, data + done, size - done);
            if (n <= 0)
                fail(temp);
            done += static_cast<size_t>(n);
        }
        if (fsync(fd) != 0 || close(fd) != 0 || rename(temp.c_str(), target.c_str()) != 0)
            fail(target);
    };
    replace(hostsPath + ".bak", hosts.data(), hosts.size());
    replace(hostsPath, out.data, out.size);
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || fsync(dir) != 0)
        fail(folder);
    close(dir);
    std::printf("merge_floor: %zu new lines from %s into %s\n", added, listPath.c_str(), hostsPath.c_str());
    return 0;
}
