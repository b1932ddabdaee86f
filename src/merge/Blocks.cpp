#include "merge/Blocks.h"

#include "core/TextUtil.h"
#include "merge/BlockSwitch.h"
#include "merge/NameSet.h"
#include "merge/Normalise.h"
#include "platform/LargeMemory.h"

#include <algorithm>
#include <cstdio>
#include <future>
#include <system_error>

namespace velmora {

namespace {

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Calls onName for every name a HOSTS line gives (the fields after its address, up to a comment), or
// for the line itself when it is a bare name; nothing for a blank line or a comment.
template <typename OnName> void forEachNameOf(std::string_view line, OnName&& onName) {
    if (line.starts_with(kByteOrderMark))
        line.remove_prefix(kByteOrderMark.size());
    line = trimBlanks(line);
    if (line.empty() || line.front() == '#')
        return;
    line = line.substr(0, line.find('#'));
    size_t i = startsWithAddress(line) ? firstBlank(line) : 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            onName(line.substr(start, i - start));
    }
}

// What the lines of names a block wrote itself begin with ("0.0.0.0 "), when its address is one that
// forEachNameOf skips as a line's address; else empty.
std::string writtenPrefix(const BlockInfo& block) {
    const std::string_view address = block.address;
    const bool plain = !address.empty() && address.find_first_of(" \t#") == std::string_view::npos;
    return plain && startsWithAddress(address) ? block.address + " " : std::string();
}

// A name in lower case, held by the set.
std::string_view keptLower(NameSet& set, std::string_view name) {
    std::string lowered = asciiLowered(name);
    if (lowered.size() > 1 && lowered.back() == '.')
        lowered.pop_back();
    return set.keep(lowered);
}

// The same for a name that is already in lower case without a final dot, as a list's names written by
// an update are: the name itself, no copy.
std::string_view lowerView(NameSet& set, std::string_view name) {
    const bool lower = std::none_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    return lower && !(name.size() > 1 && name.back() == '.') ? name : keptLower(set, name);
}

// forEachNameOf for a line of a block's body, with its names in lower case without a final dot. The
// lines a block wrote itself, its address and one such name, take a shortcut: they are most of a
// HOSTS file kept from lists, and an update reads every one of them.
template <typename OnName>
void forEachLowerNameOf(std::string_view line, std::string_view prefix, NameSet& holder, OnName&& onName) {
    if (!prefix.empty() && line.size() > prefix.size() && line.starts_with(prefix)) {
        const std::string_view name = line.substr(prefix.size());
        const bool plain = std::none_of(name.begin(), name.end(), [](char c) {
            return c == ' ' || c == '\t' || c == '#' || (c >= 'A' && c <= 'Z');
        });
        if (plain && !(name.size() > 1 && name.back() == '.')) {
            onName(name);
            return;
        }
    }
    forEachNameOf(line, [&](std::string_view name) { onName(lowerView(holder, name)); });
}

// A sourced block as it will be written.
struct Target {
    BlockInfo info;      // begin < 0 for a new block
    std::string source;  // its source line's text after the note
    std::string address; // where its names go
    const BlockListNames* names = nullptr;
    std::string stamp;      // for its "# updated: " note should its lines change
    bool duplicate = false; // a later block of a name already taken: it goes
    bool upToDate = false;  // kept line for line: its list is the one it was made from
    std::vector<std::string_view> chosen;
    bool off() const { return info.off; }
    // What each of its lines of names begins with.
    std::string prefix() const { return (off() ? std::string(kSwitchedOffPrefix) : std::string()) + address + " "; }
    // Its notes as they are to be written, with this "# updated: " note.
    std::vector<std::string> notes(const std::string& updated) const {
        std::vector<std::string> lines{std::string(kBlockSource) + source};
        if (address != kDefaultBlockAddress)
            lines.push_back(std::string(kBlockAddress) + address);
        if (!updated.empty())
            lines.push_back(std::string(kBlockUpdated) + updated);
        if (off())
            lines.emplace_back(kBlockOffNote);
        return lines;
    }
};

bool sameLine(std::string_view line, std::string_view prefix, std::string_view name) {
    return line.size() == prefix.size() + name.size() && line.starts_with(prefix) && line.ends_with(name);
}

// The line of a block's body as it holds names: a switched-off block's line without its prefix.
std::string_view bodyText(const BlockInfo& block, std::string_view line) {
    return block.off ? switchedOnLine(line) : line;
}

// Days since 1970-01-01 as a date of the proleptic Gregorian calendar.
void civilFromDays(int64_t days, int64_t& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

} // namespace

bool BlockScanner::takeNote(BlockInfo& block, std::string_view text) {
    // The stages: 1 source, 2 address, 3 updated, 4 off; each note may follow only those before it.
    if (m_noteStage == 0 && text.starts_with(kBlockSource)) {
        block.source = std::string(trimSpaces(text.substr(kBlockSource.size())));
        m_noteStage = 1;
    } else if (m_noteStage == 1 && text.starts_with(kBlockAddress)) {
        block.address = std::string(trimSpaces(text.substr(kBlockAddress.size())));
        m_noteStage = 2;
    } else if ((m_noteStage == 1 || m_noteStage == 2) && text.starts_with(kBlockUpdated)) {
        block.updated = std::string(trimSpaces(text.substr(kBlockUpdated.size())));
        m_noteStage = 3;
    } else if (m_noteStage < 4 && trimSpaces(text) == kBlockOffNote) {
        block.off = true;
        m_noteStage = 4;
    } else {
        return false;
    }
    ++block.notes;
    return true;
}

void BlockScanner::take(std::string_view text) {
    const int32_t i = m_count++;
    if (m_open) {
        BlockInfo& block = m_blocks.back();
        if (m_inNotes && takeNote(block, text))
            return;
        m_inNotes = false;
        if (istartsWith(text, kBlockEnd) && iequals(trimSpaces(text.substr(kBlockEnd.size())), block.name)) {
            block.end = i;
            block.closed = true;
            m_open = false;
        }
        return;
    }
    if (!istartsWith(text, kBlockBegin))
        return;
    BlockInfo block;
    block.name = std::string(trimSpaces(text.substr(kBlockBegin.size())));
    block.begin = i;
    block.address = std::string(kDefaultBlockAddress);
    m_blocks.push_back(std::move(block));
    m_open = true;
    m_inNotes = true;
    m_noteStage = 0;
}

std::vector<BlockInfo> BlockScanner::finish() {
    if (m_open)
        m_blocks.back().end = m_count;
    m_open = false;
    return std::move(m_blocks);
}

std::string updateStamp(int64_t unixSeconds) {
    constexpr int64_t kDay = 86400;
    const int64_t days = (unixSeconds >= 0 ? unixSeconds : unixSeconds - (kDay - 1)) / kDay;
    const int64_t second = unixSeconds - days * kDay;
    int64_t year = 0;
    int month = 0;
    int day = 0;
    civilFromDays(days, year, month, day);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ", static_cast<long long>(year), month, day,
                  static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
    return text;
}

namespace {
template <typename Lines> std::vector<BlockInfo> scanBlocks(const Lines& lines) {
    BlockScanner scanner;
    const int32_t count = lines.count();
    for (int32_t i = 0; i < count; ++i)
        scanner.line(lines.text(i));
    return scanner.finish();
}
} // namespace

std::vector<BlockInfo> findBlocks(const LineSource& lines) {
    // The document's lines are read without a virtual call for each.
    if (const auto* list = dynamic_cast<const EntryList*>(&lines))
        return scanBlocks(*list);
    return scanBlocks(lines);
}

std::vector<uint8_t> linesOfBlocks(const LineSource& lines, std::string_view name) {
    name = trimSpaces(name);
    std::vector<uint8_t> marks(static_cast<size_t>(lines.count()), 0);
    for (const BlockInfo& block : findBlocks(lines)) {
        if (!istartsWith(block.name, name))
            continue;
        const int32_t last = block.closed ? block.end : block.end - 1;
        std::fill(marks.begin() + block.begin, marks.begin() + last + 1, uint8_t{1});
    }
    return marks;
}

int32_t namesInBlock(const LineSource& lines, const BlockInfo& block) {
    int32_t names = 0;
    for (int32_t i = block.begin + 1 + block.notes; i < block.end; ++i)
        forEachNameOf(bodyText(block, lines.text(i)), [&](std::string_view) { ++names; });
    return names;
}

std::vector<uint8_t> unpairedMarkers(const LineSource& lines, int32_t first) {
    const int32_t n = lines.count();
    std::vector<uint8_t> unpaired(static_cast<size_t>(n), 0);
    for (int32_t i = std::max(first, 0); i < n; ++i) {
        const std::string_view text = lines.text(i);
        if (istartsWith(text, kBlockEnd)) {
            unpaired[static_cast<size_t>(i)] = 1; // an end that no start before it took
            continue;
        }
        if (!istartsWith(text, kBlockBegin))
            continue;
        const std::string_view name = trimSpaces(text.substr(kBlockBegin.size()));
        int32_t j = i + 1;
        for (; j < n; ++j) {
            const std::string_view line = lines.text(j);
            if (istartsWith(line, kBlockBegin) ||
                (istartsWith(line, kBlockEnd) && iequals(trimSpaces(line.substr(kBlockEnd.size())), name)))
                break;
        }
        if (j < n && istartsWith(lines.text(j), kBlockEnd)) {
            // A pair: the lines between are the block's, markers of other names among them too.
            for (int32_t k = i + 1; k < j; ++k)
                unpaired[static_cast<size_t>(k)] = istartsWith(lines.text(k), kBlockEnd) ? 1 : 0;
            i = j;
        } else {
            unpaired[static_cast<size_t>(i)] = 1;
        }
    }
    return unpaired;
}

namespace {

// The sourced blocks of lines, in order, and after them the lists of `lists` that have no block yet;
// `sourced` flags the lines of the sourced blocks, `unclosed` names those without an end marker.
std::vector<Target> sourcedTargets(const EntryList& lines, const std::vector<SourcedList>& lists,
                                   const std::function<const BlockListNames*(const BlockInfo&)>& listFor,
                                   std::vector<uint8_t>& sourced, std::vector<std::string>& unclosed) {
    std::vector<Target> targets;
    std::vector<bool> listUsed(lists.size(), false);
    auto listOf = [&](std::string_view name) -> const SourcedList* {
        for (size_t k = 0; k < lists.size(); ++k) {
            if (iequals(lists[k].name, name)) {
                listUsed[k] = true;
                return &lists[k];
            }
        }
        return nullptr;
    };
    auto requested = [&](std::string_view name) {
        return std::any_of(lists.begin(), lists.end(), [&](const SourcedList& l) { return iequals(l.name, name); });
    };
    for (BlockInfo& info : findBlocks(lines)) {
        // A block of no source is the user's own, unless a list is asked for it by name: it then becomes
        // that list's block, where it stands.
        if (info.source.empty() && !requested(info.name))
            continue;
        if (!info.closed) {
            listOf(info.name); // not added again at the end: the block is there, only unfinished
            unclosed.push_back(info.name);
            continue;
        }
        std::fill(sourced.begin() + info.begin, sourced.begin() + info.end + 1, uint8_t{1});
        Target target;
        target.duplicate = std::any_of(targets.begin(), targets.end(),
                                       [&](const Target& t) { return iequals(t.info.name, info.name); });
        if (const SourcedList* list = listOf(info.name)) {
            target.source = list->source;
            target.address = list->address.empty() ? info.address : list->address;
            target.names = list->names;
            target.stamp = list->updated;
            target.upToDate = list->upToDate && !list->names;
        } else {
            target.source = info.source;
            target.address = info.address;
            target.names = target.duplicate ? nullptr : listFor(info);
        }
        target.info = std::move(info);
        targets.push_back(std::move(target));
    }
    for (size_t k = 0; k < lists.size(); ++k) {
        if (listUsed[k] || !lists[k].names)
            continue;
        Target target;
        target.info.begin = -1;
        target.info.name = lists[k].name;
        target.source = lists[k].source;
        target.address = lists[k].address.empty() ? std::string(kDefaultBlockAddress) : lists[k].address;
        target.names = lists[k].names;
        target.stamp = lists[k].updated;
        targets.push_back(std::move(target));
    }

    return targets;
}

// The names that lines outside the sourced blocks send to an address of their own: the user's own
// mappings, which win over any list.
void collectOwnMappings(const EntryList& lines, const std::vector<uint8_t>& sourced, NameSet& ownMapping) {
    const int32_t n = lines.count();
    for (int32_t i = 0; i < n; ++i) {
        if (sourced[static_cast<size_t>(i)])
            continue;
        const std::string_view line = trimBlanks(lines.text(i));
        if (!startsWithAddress(line) || isBlockingAddress(line.substr(0, firstBlank(line))))
            continue;
        forEachNameOf(line, [&](std::string_view name) { ownMapping.insert(keptLower(ownMapping, name)); });
    }
}

// The names of a block kept as they are (no list at hand), those of its lines from `from` to before `to`,
// in lower case (copies held by holder), for give(name) each.
void giveKeptNames(const EntryList& lines, const BlockInfo& block, int32_t from, int32_t to, NameSet& holder,
                   auto&& give) {
    const std::string prefix = writtenPrefix(block);
    for (int32_t i = from; i < to; ++i)
        forEachLowerNameOf(lines.text(i), prefix, holder, give);
}

int32_t bodyBegin(const BlockInfo& block) {
    return block.begin + 1 + block.notes;
}

// Marks (1) each name of seen that the kept blocks before `lead` hold (a block switched off holds none).
// The set no longer changes, so their lines are looked up in two halves at once, the second on a thread
// of its own; each half keeps its own copies of the names it lowers.
std::vector<uint8_t> heldByLead(const EntryList& lines, const std::vector<Target>& targets, size_t lead,
                                const NameSet& seen) {
    struct Lines {
        const BlockInfo* block;
        int32_t from, to;
    };
    std::vector<Lines> first, second;
    for (size_t t = 0; t < lead; ++t) {
        if (!targets[t].duplicate && !targets[t].off())
            first.push_back({&targets[t].info, bodyBegin(targets[t].info), targets[t].info.end});
    }
    int64_t half = 0;
    for (const Lines& part : first)
        half += part.to - part.from;
    half /= 2;
    // The first half from the front, up to the line where the second begins.
    for (size_t k = 0; k < first.size(); ++k) {
        const int32_t count = first[k].to - first[k].from;
        if (count <= half) {
            half -= count;
            continue;
        }
        const int32_t cut = first[k].from + static_cast<int32_t>(half);
        second.push_back({first[k].block, cut, first[k].to});
        second.insert(second.end(), first.begin() + static_cast<std::ptrdiff_t>(k) + 1, first.end());
        first[k].to = cut;
        first.resize(k + 1);
        break;
    }
    const auto lookUp = [&](const std::vector<Lines>& parts) {
        NameSet holder;
        std::vector<uint32_t> found;
        seen.findEach(
            [&](auto&& give) {
                for (const Lines& part : parts)
                    giveKeptNames(lines, *part.block, part.from, part.to, holder, give);
            },
            [&](size_t n) { found.push_back(static_cast<uint32_t>(n)); });
        return found;
    };
    std::future<std::vector<uint32_t>> other;
    try {
        other = std::async(std::launch::async, lookUp, std::cref(second));
    } catch (const std::system_error&) {
        other = std::async(std::launch::deferred, lookUp, std::cref(second)); // no thread to be had
    }
    const std::vector<uint32_t> mine = lookUp(first);
    std::vector<uint8_t> held(seen.size(), 0);
    for (const uint32_t n : mine)
        held[n] = 1;
    for (const uint32_t n : other.get())
        held[n] = 1;
    return held;
}

// Chooses the names each block is to hold (Target::chosen), from the first block on.
//
// The blocks kept as they are before the first one made from its list (most of a file whose first lists
// did not change) are not entered into the set: the names of the lists are, and those the kept blocks
// hold are then looked up and taken out of what the lists chose. The same names are chosen, from a set
// a fraction of the size. Not so when a switched-off block made from its list follows: it looks at what
// the blocks before it hold as it goes.
void chooseNames(const EntryList& lines, std::vector<Target>& targets, const NameSet& ownMapping) {
    size_t lead = 0;
    while (lead < targets.size() && (targets[lead].duplicate || !targets[lead].names))
        ++lead;
    const bool lookUpLead = lead > 0 && lead < targets.size() &&
                            std::none_of(targets.begin() + static_cast<std::ptrdiff_t>(lead), targets.end(),
                                         [](const Target& t) { return !t.duplicate && t.names && t.off(); });
    size_t expected = 0;
    for (size_t t = lookUpLead ? lead : 0; t < targets.size(); ++t)
        expected +=
            targets[t].names ? targets[t].names->names.size() : static_cast<size_t>(targets[t].info.bodyLines());
    // The names the blocks switched on hold so far, from the first block on. A switched-off block takes
    // none: it would otherwise unblock a name that a later list switched on has.
    NameSet seen(expected);
    NameSet held; // the names of blocks kept as they are, in lower case
    std::vector<std::pair<size_t, size_t>> entered(targets.size()); // each list's names in seen
    const auto choose = [&](Target& target, std::string_view name) {
        if (ownMapping.size() == 0 || !ownMapping.contains(name))
            target.chosen.push_back(name);
    };
    for (size_t t = lookUpLead ? lead : 0; t < targets.size(); ++t) {
        Target& target = targets[t];
        if (target.duplicate)
            continue;
        if (!target.names) {
            // No list at hand: the block stays as it is, and its names are taken unless it is off.
            if (!target.off())
                seen.insertEach(
                    [&](auto&& give) {
                        giveKeptNames(lines, target.info, bodyBegin(target.info), target.info.end, held, give);
                    },
                    [](std::string_view) {});
            continue;
        }
        target.chosen.reserve(target.names->names.size());
        adviseHugePages(target.chosen.data(), target.chosen.capacity() * sizeof(std::string_view));
        if (!target.off()) {
            entered[t].first = seen.size();
            seen.insertAll(target.names->names, [&](std::string_view name) { choose(target, name); });
            entered[t].second = seen.size();
            continue;
        }
        // What it would hold switched on here: each of its names once, unless a block before it holds it.
        NameSet own(target.names->names.size());
        for (const std::string_view name : target.names->names)
            if (!seen.contains(name) && own.insert(name))
                choose(target, name);
    }
    if (!lookUpLead)
        return;
    const std::vector<uint8_t> heldBefore = heldByLead(lines, targets, lead, seen);
    if (std::find(heldBefore.begin(), heldBefore.end(), uint8_t{1}) == heldBefore.end())
        return;
    for (size_t t = lead; t < targets.size(); ++t) {
        Target& target = targets[t];
        if (target.duplicate || !target.names)
            continue;
        target.chosen.clear();
        for (size_t n = entered[t].first; n < entered[t].second; ++n)
            if (!heldBefore[n])
                choose(target, seen.nameAt(n));
    }
}

// What the rebuild does to each block, into result; each block's "# updated: " note as it will be.
std::vector<std::string> blockOutcomes(const EntryList& lines, const std::vector<Target>& targets,
                                       BlocksRebuild& result) {
    std::vector<std::string> updated(targets.size());
    for (size_t t = 0; t < targets.size(); ++t) {
        const Target& target = targets[t];
        BlockOutcome outcome;
        outcome.name = target.info.name;
        outcome.off = target.off();
        outcome.isNew = target.info.begin < 0;
        outcome.kept = !target.names && !target.duplicate;
        outcome.upToDate = outcome.kept && target.upToDate;
        if (target.duplicate) {
            result.changed = true;
            continue;
        }
        if (outcome.kept) {
            outcome.names = target.info.bodyLines();
            result.blocks.push_back(outcome);
            continue;
        }
        outcome.names = static_cast<int32_t>(target.chosen.size());
        const BlockInfo& info = target.info;
        const std::string prefix = target.prefix();
        updated[t] = info.updated;
        if (outcome.isNew) {
            outcome.changed = true;
            outcome.added = outcome.names;
        } else {
            const std::vector<std::string> notes = target.notes(info.updated);
            outcome.changed = info.notes != static_cast<int32_t>(notes.size()) || info.bodyLines() != outcome.names;
            for (int32_t k = 0; !outcome.changed && k < info.notes; ++k)
                outcome.changed = lines.text(info.begin + 1 + k) != notes[static_cast<size_t>(k)];
            for (int32_t k = 0; !outcome.changed && k < outcome.names; ++k)
                outcome.changed = !sameLine(lines.text(info.begin + 1 + info.notes + k), prefix, target.chosen[k]);
            if (outcome.changed) {
                // The chosen names are each there once already; the old block's are counted once each.
                NameSet before(static_cast<size_t>(info.bodyLines()));
                const std::string written = writtenPrefix(info);
                before.insertEach(
                    [&](auto&& give) {
                        for (int32_t i = bodyBegin(info); i < info.end; ++i)
                            forEachLowerNameOf(bodyText(info, lines.text(i)), written, before, give);
                    },
                    [](std::string_view) {});
                outcome.added = static_cast<int32_t>(before.countMissing(target.chosen));
                outcome.removed = static_cast<int32_t>(before.size()) - (outcome.names - outcome.added);
            }
        }
        // Only a change from its list is an update; completing it from the copy kept of its list is not.
        if (outcome.changed && !target.stamp.empty())
            updated[t] = target.stamp;
        result.changed = result.changed || outcome.changed;
        result.blocks.push_back(outcome);
    }
    return updated;
}

// The lines again, each sourced block written from its names where it stood, the new ones at the end.
// From line `from` on: the lines before it are no block that changes.
void writeRebuilt(const EntryList& lines, const std::vector<Target>& targets, const std::vector<std::string>& updated,
                  size_t expected, int32_t from, EntryList& replacement) {
    const int32_t n = lines.count();
    EntryList fresh;
    fresh.reserveEntries(static_cast<size_t>(n - from) + expected);
    fresh.beginAppend();
    auto writeBlock = [&](size_t t, std::string_view begin, std::string_view end) {
        const Target& target = targets[t];
        fresh.append(begin);
        for (const std::string& note : target.notes(updated[t]))
            fresh.append(note);
        const std::string prefix = target.prefix();
        for (const std::string_view name : target.chosen)
            fresh.append(prefix, name);
        fresh.append(end);
    };
    size_t next = 0;
    for (int32_t i = from; i < n; ++i) {
        while (next < targets.size() && targets[next].info.begin >= 0 && targets[next].info.begin < i)
            ++next;
        if (next < targets.size() && targets[next].info.begin == i) {
            const Target& target = targets[next];
            if (!target.duplicate && target.names)
                writeBlock(next, lines.text(i), lines.text(target.info.end));
            else if (!target.duplicate)
                for (int32_t k = target.info.begin; k <= target.info.end; ++k)
                    fresh.append(lines.text(k));
            i = target.info.end;
            continue;
        }
        fresh.append(lines.text(i));
    }
    for (size_t t = 0; t < targets.size(); ++t) {
        if (targets[t].info.begin < 0)
            writeBlock(t, std::string(kBlockBegin) + targets[t].info.name,
                       std::string(kBlockEnd) + targets[t].info.name);
    }
    fresh.endAppend();
    replacement.swapEntries(fresh);
}

} // namespace

BlocksRebuild rebuildSourcedBlocks(const EntryList& lines, const std::vector<SourcedList>& lists,
                                   const std::function<const BlockListNames*(const BlockInfo&)>& listFor,
                                   EntryList& replacement, int32_t* from) {
    BlocksRebuild result;
    std::vector<uint8_t> sourced(static_cast<size_t>(lines.count()), 0);
    std::vector<Target> targets = sourcedTargets(lines, lists, listFor, sourced, result.unclosed);
    NameSet ownMapping;
    collectOwnMappings(lines, sourced, ownMapping);
    size_t expected = 0;
    for (const Target& target : targets)
        expected += target.names ? target.names->names.size() : static_cast<size_t>(target.info.bodyLines());
    chooseNames(lines, targets, ownMapping);
    const std::vector<std::string> updated = blockOutcomes(lines, targets, result);
    // The first block written anew or dropped; new blocks go at the end.
    int32_t first = 0;
    if (from) {
        first = lines.count();
        for (const Target& target : targets) {
            if (target.info.begin >= 0 && (target.duplicate || target.names)) {
                first = target.info.begin;
                break;
            }
        }
        *from = first;
    }
    if (result.changed)
        writeRebuilt(lines, targets, updated, expected, first, replacement);
    return result;
}
} // namespace velmora
