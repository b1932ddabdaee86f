// The document's lists from the web and the blocks kept from lists.
#include "document/HostsDocument.h"

#include "core/HostsFile.h"
#include "core/PathSafety.h"
#include "core/TextUtil.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <new>

namespace velmora {

WebListResult HostsDocument::fetchList(const std::string& source, bool forBlock) {
    WebListResult result;
    if (!isWebAddress(source)) {
        result.status = WebListStatus::Fresh;
        result.path = localPathOf(source);
        return result;
    }
    m_ui.setBusy(true);
    if (m_downloader) {
        // A body that is no block list never replaces the copy kept from before.
        const std::string hostName = m_environment.hostName();
        CheckedList checked;
        const auto check = [&](const std::string& path) {
            auto names = std::make_unique<BlockListNames>();
            NoFollowReads reads(m_files);
            const BlockListRead read =
                readBlockListFile(reads, path, m_webOptions.maxBytes, &m_allow, hostName, *names);
            if (read.status != BlockListStatus::Read)
                return read.message;
            // The body is renamed to the kept copy, which keeps the file and its time.
            if (forBlock)
                checked = CheckedList{m_files.stat(path, false), readingOfLists(hostName), std::move(names)};
            return std::string();
        };
        // The user may stop a download; the downloader looks at the flag wherever it runs.
        std::atomic<bool> cancel{false};
        result = fetchWebList(*m_downloader, m_files, m_environment, source, m_webOptions, m_ui.progress(), check,
                              &cancel, m_probe.get());
        if (result.status == WebListStatus::Fresh && checked.names)
            m_checkedLists[result.path] = std::move(checked);
    } else {
        result.message = "web addresses are not supported here";
    }
    m_ui.setBusy(false);
    // A download the user cancelled needs no telling.
    if (result.status == WebListStatus::Failed && !result.cancelled)
        m_ui.reportError("The list " + source + " could not be downloaded: " + result.message);
    return result;
}

std::string HostsDocument::readingOfLists(const std::string& hostName) const {
    return hostName + "\n" + m_allow.entries() + "\n" + std::to_string(m_webOptions.maxBytes);
}

std::unique_ptr<BlockListNames> HostsDocument::takeCheckedList(const std::string& path, const std::string& hostName) {
    const auto found = m_checkedLists.find(path);
    if (found == m_checkedLists.end())
        return nullptr;
    CheckedList checked = std::move(found->second);
    m_checkedLists.erase(found);
    if (checked.reading != readingOfLists(hostName))
        return nullptr;
    const PathInfo now = m_files.stat(path, false);
    const PathInfo& then = checked.file;
    const bool same = now.exists && now.isRegular && then.exists && then.isRegular && now.device == then.device &&
                      now.inode == then.inode && now.size == then.size && now.modifiedNs == then.modifiedNs;
    return same ? std::move(checked.names) : nullptr;
}

std::string HostsDocument::keptListPath(const BlockInfo& block) {
    if (!isWebAddress(block.source))
        return localPathOf(block.source);
    const WebListResult kept = keptWebList(m_files, m_environment, block.source);
    return kept.status == WebListStatus::Failed ? std::string() : kept.path;
}

const BlockListNames* HostsDocument::keptListOf(const BlockInfo& block, std::deque<BlockListNames>& store) {
    const std::string path = keptListPath(block);
    if (path.empty())
        return nullptr;
    // The list of every sourced block is read, not only those asked for: as root, none another user
    // could swap.
    CheckedRead list(m_files, path);
    if (!list.refusal().empty()) {
        m_ui.reportError("The list " + block.source + " of block " + block.name + " was not read: " + list.refusal() +
                         ". The block was left as it was.");
        return nullptr;
    }
    store.emplace_back();
    const BlockListRead read = readBlockListFile(list.files(), list.path(), m_webOptions.maxBytes, &m_allow,
                                                 m_environment.hostName(), store.back());
    return read.status == BlockListStatus::Read ? &store.back() : nullptr;
}

void HostsDocument::replaceLinesFrom(int32_t from, const EntryList& lines) {
    std::vector<uint8_t> drop(static_cast<size_t>(m_lines.count()), 0);
    std::fill(drop.begin() + from, drop.end(), uint8_t{1});
    m_lines.removeWhere(drop);
    m_lines.reserveEntries(static_cast<size_t>(lines.count()));
    m_lines.reserveBytes(static_cast<size_t>(lines.textBytes() + static_cast<uint64_t>(lines.count())));
    m_lines.beginAppend();
    for (int32_t i = 0; i < lines.count(); ++i)
        if (!m_lines.append(lines.text(i)))
            throw std::bad_alloc(); // past what a list may hold: taken back whole, as any operation
    m_lines.endAppend();
}

void HostsDocument::replaceLines(EntryList& lines) {
    // The old lines are kept to go back to, and the new ones taken over without a copy.
    m_history.replaceAll();
    m_lines.swapEntries(lines);
}

namespace {

bool containsName(const std::vector<std::string>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return iequals(n, name); });
}

} // namespace

std::vector<SourcedList> HostsDocument::blocksKeptAsTheyAre(const std::vector<BlockRequest>& requests,
                                                            const std::vector<std::string>& upToDate) {
    std::vector<SourcedList> kept;
    if (upToDate.empty())
        return kept;
    for (const BlockInfo& block : findBlocks(m_lines)) {
        const bool requested = std::any_of(requests.begin(), requests.end(),
                                           [&](const BlockRequest& r) { return iequals(r.name, block.name); });
        if (block.source.empty() && !requested)
            continue;
        // From the first block whose list changed on, each block depends on the one before it.
        const bool again =
            std::any_of(kept.begin(), kept.end(), [&](const SourcedList& l) { return iequals(l.name, block.name); });
        if (!block.closed || !containsName(upToDate, block.name) || again)
            break;
        SourcedList list{block.name, block.source, {}, nullptr, {}};
        list.upToDate = true;
        kept.push_back(std::move(list));
    }
    return kept;
}

BlocksUpdate HostsDocument::updateBlocks(const std::vector<BlockRequest>& requests,
                                         const std::vector<std::string>& upToDate) {
    BlocksUpdate update;
    const std::string hostName = m_environment.hostName();
    std::deque<BlockListNames> store;
    std::vector<std::unique_ptr<BlockListNames>> taken;
    std::vector<SourcedList> lists;
    const std::string now = updateStamp(m_clock());
    lists = blocksKeptAsTheyAre(requests, upToDate);
    const size_t kept = lists.size();
    for (const BlockRequest& request : requests) {
        const auto keptList = std::find_if(lists.begin(), lists.begin() + static_cast<std::ptrdiff_t>(kept),
                                           [&](const SourcedList& l) { return iequals(l.name, request.name); });
        if (keptList != lists.begin() + static_cast<std::ptrdiff_t>(kept)) {
            keptList->address = request.address;
            continue;
        }
        SourcedList list{request.name, request.source, request.address, nullptr, now};
        if (std::unique_ptr<BlockListNames> checked = takeCheckedList(request.listFile, hostName)) {
            taken.push_back(std::move(checked));
            list.names = taken.back().get();
            update.read.emplace_back(request.name, list.names->counts);
        } else if (!request.listFile.empty()) {
            CheckedRead file(m_files, request.listFile);
            store.emplace_back();
            const BlockListRead read = file.refusal().empty()
                                           ? readBlockListFile(file.files(), file.path(), m_webOptions.maxBytes,
                                                               &m_allow, hostName, store.back())
                                           : BlockListRead{BlockListStatus::Unreadable, file.refusal(), EACCES};
            if (read.status == BlockListStatus::Read) {
                list.names = &store.back();
                update.read.emplace_back(request.name, store.back().counts);
            } else {
                update.failed = true;
                m_ui.reportError("The list " + request.source + " was not taken: " + read.message + ". Block " +
                                 request.name + " was left as it was.");
            }
        }
        lists.push_back(std::move(list));
    }
    m_checkedLists.clear();
    m_ui.setBusy(true);
    const AddedChange change = beginAddedChange();
    m_lines.beginBulkChange();
    EntryList replacement;
    // With no history to keep the old lines for, the lines before the first block that changes stay
    // where they are instead of being copied: most of a file kept from lists, when one list changed.
    int32_t from = 0;
    const bool inPlace = !m_history.enabled();
    update.rebuild = rebuildSourcedBlocks(
        m_lines, lists, [&](const BlockInfo& block) { return keptListOf(block, store); }, replacement,
        inPlace ? &from : nullptr);
    if (update.rebuild.changed) {
        m_added.clear();
        m_addedSelection.reset();
        m_selection.reset();
        if (inPlace)
            replaceLinesFrom(from, replacement);
        else
            replaceLines(replacement);
    }
    m_lines.endBulkChange();
    endAddedChange(change);
    m_ui.setBusy(false);
    for (const std::string& name : update.rebuild.unclosed) {
        const bool requested =
            std::any_of(requests.begin(), requests.end(), [&](const BlockRequest& r) { return iequals(r.name, name); });
        update.failed = update.failed || requested;
        m_ui.reportError("Block " + name + " has no \"" + std::string(kBlockEnd) + name +
                         "\" line, so where it ends is unknown; it was left as it was.");
    }
    if (update.rebuild.changed)
        m_modified = true;
    showTotal();
    return update;
}

namespace {

// A field of a note, its length first, so that no two different notes read alike.
void noteField(std::string& note, std::string_view field) {
    note += std::to_string(field.size());
    note += ':';
    note += field;
    note += ' ';
}

// The bytes of a list, by their hash; "-" for none, and the errno of a file that cannot be read.
//
// The copy kept of a list from the web is known by the file it is instead (device, inode, size, time of
// its last change), so that an update whose servers all answer 304 reads none of them: a download
// only ever replaces that copy by renaming a new file over it, which changes the inode, and it lives
// in a folder that only this user and root may change (the download refuses any other). A copy changed
// behind Velmora's back changes its time or its size, so the full work comes back; only one written
// in place at the same size with its time set back to the nanosecond would pass, which is no accident.
std::string listBytesNote(FileSystem& files, const std::string& path, bool keptCopy) {
    if (path.empty())
        return "-";
    if (keptCopy) {
        const PathInfo info = files.stat(path, false);
        if (!info.exists || !info.isRegular)
            return "error " + std::to_string(info.error != 0 ? info.error : ENOENT);
        return "kept " + std::to_string(info.size) + " " + std::to_string(info.device) + " " +
               std::to_string(info.inode) + " " + std::to_string(info.modifiedNs);
    }
    FileFingerprint fingerprint;
    const int error = readFileBlocks(
        files, path, [](std::string_view) {}, kReadChunk, &fingerprint);
    if (error != 0)
        return "error " + std::to_string(error);
    return std::to_string(fingerprint.size) + " " + std::to_string(fingerprint.hash);
}

} // namespace

std::string HostsDocument::blocksNote(const std::vector<BlockRequest>& requests, const std::vector<BlockInfo>* blocks,
                                      std::map<std::string, std::string>* lists) {
    if (!m_readFingerprint || m_hostsReadIncomplete || m_modified)
        return {};
    const auto listNote = [&](const std::string& path, bool keptCopy) {
        if (!lists)
            return listBytesNote(m_files, path, keptCopy);
        const auto [at, fresh] = lists->try_emplace(path);
        if (fresh)
            at->second = listBytesNote(m_files, path, keptCopy);
        return at->second;
    };
    std::string note = "velmora blocks 1\n";
    noteField(note, std::to_string(m_readFingerprint->size) + " " + std::to_string(m_readFingerprint->hash));
    noteField(note, m_environment.hostName());
    noteField(note, m_allow.entries());
    noteField(note, std::to_string(m_webOptions.maxBytes));
    note += "\n";
    auto requested = [&](std::string_view name) {
        return std::find_if(requests.begin(), requests.end(),
                            [&](const BlockRequest& r) { return iequals(r.name, name); });
    };
    for (const BlockRequest& request : requests) {
        for (const std::string_view field : {request.name, request.source, request.address})
            noteField(note, field);
        noteField(note, listNote(request.listFile, isWebAddress(request.source)));
        note += "\n";
    }
    const std::vector<BlockInfo> found = blocks ? std::vector<BlockInfo>() : findBlocks(m_lines);
    for (const BlockInfo& block : blocks ? *blocks : found) {
        if (block.source.empty())
            continue;
        if (!block.closed)
            return {};
        const auto request = requested(block.name);
        for (const std::string_view field :
             {std::string_view(block.name), std::string_view(block.source), std::string_view(block.address)})
            noteField(note, field);
        noteField(note,
                  request != requests.end() ? "requested" : listNote(keptListPath(block), isWebAddress(block.source)));
        note += "\n";
    }
    return note;
}

namespace {

// The records of a note after its first line, each its fields (see noteField), the fields of what the
// blocks depend on first; none when the note is not one.
std::vector<std::vector<std::string_view>> noteRecords(std::string_view note) {
    std::vector<std::vector<std::string_view>> records;
    const size_t header = note.find('\n');
    if (header == std::string_view::npos)
        return {};
    std::vector<std::string_view> fields;
    for (size_t i = header + 1; i < note.size();) {
        if (note[i] == '\n') {
            records.push_back(std::move(fields));
            fields.clear();
            ++i;
            continue;
        }
        const size_t colon = note.find(':', i);
        size_t length = 0;
        const auto [end, error] = std::from_chars(note.data() + i, note.data() + std::min(colon, note.size()), length);
        if (colon == std::string_view::npos || error != std::errc() || end != note.data() + colon ||
            length > note.size() - colon - 1 || note.size() - colon - 1 - length < 1 || note[colon + 1 + length] != ' ')
            return {};
        fields.push_back(note.substr(colon + 1, length));
        i = colon + 1 + length + 1;
    }
    if (!fields.empty())
        return {};
    return records;
}

} // namespace

std::vector<std::string> webSourcesNoted(std::string_view note) {
    std::vector<std::string> sources;
    const auto records = noteRecords(note);
    for (size_t r = 1; r < records.size(); ++r) {
        if (records[r].size() < 2 || !isWebAddress(records[r][1]))
            continue;
        if (std::find(sources.begin(), sources.end(), records[r][1]) == sources.end())
            sources.emplace_back(records[r][1]);
    }
    return sources;
}

std::vector<std::string> unchangedLists(std::string_view now, std::string_view last) {
    std::vector<std::string> names;
    const auto before = noteRecords(last), after = noteRecords(now);
    if (before.empty() || after.empty() || before[0] != after[0] ||
        last.substr(0, last.find('\n')) != now.substr(0, now.find('\n')))
        return names;
    for (size_t r = 1; r < after.size(); ++r) {
        const auto& record = after[r];
        // A block asked for is noted with its list as a request.
        if (record.size() != 4 || record[3] == "requested")
            continue;
        if (std::find(before.begin() + 1, before.end(), record) != before.end())
            names.emplace_back(record[0]);
    }
    return names;
}

bool HostsDocument::holdsFileAsRead(const std::string& path) {
    return m_readFingerprint && m_readPath == path && !m_hostsReadIncomplete && !m_modified &&
           looksUnchanged(m_files, path, *m_readFingerprint, true);
}

MergeResult HostsDocument::mergeWebList(const std::string& listFile) {
    MergeResult result;
    result.keptAsBlock = true;
    if (m_lines.count() == 0 || m_needsReload) {
        // As a merge of a file does: the lines are the file's again first.
        result.hostsReread = true;
        m_ui.progress().setTitle("Loading HOSTS...");
        if (fileHasData(m_files, m_hostsPath)) {
            load(m_hostsPath);
            result.hostsLinesRead = m_lines.count();
            setStatus(m_rereadStatus, std::to_string(result.hostsLinesRead) + " items");
        }
        m_ui.progress().close();
        m_needsReload = false;
    }
    const BlocksUpdate update = updateBlocks({BlockRequest{m_sourcePath, m_sourcePath, {}, listFile}});
    if (update.failed) {
        result.listReadError = EINVAL;
        return result;
    }
    for (const BlockInfo& block : findBlocks(m_lines)) {
        if (block.name == m_sourcePath) {
            m_added.set(block.begin + 1 + block.notes, block.bodyLines());
            result.linesAdded = block.bodyLines();
        }
    }
    for (const auto& [name, counts] : update.read) {
        result.linesKeptOut += counts.keptOut;
        if (counts.otherAddress > 0)
            m_ui.notify(counts.otherAddress == 1
                            ? "1 line of " + m_sourcePath + " was skipped: it sends names to another address."
                            : std::to_string(counts.otherAddress) + " lines of " + m_sourcePath +
                                  " were skipped: they send names to other addresses.");
    }
    setStatus(m_addedStatus, std::to_string(result.linesAdded) + " items");
    noteSavedIfUnmodified();
    return result;
}

} // namespace velmora
