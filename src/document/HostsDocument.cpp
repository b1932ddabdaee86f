#include "document/HostsDocument.h"

#include "core/HostsPath.h"
#include "core/Progress.h"
#include "core/TextUtil.h"
#include "merge/RemoveBlock.h"
#include "merge/SourceList.h"

#include <algorithm>
#include <limits>

namespace velmora {

namespace {

// Files longer than this show the progress window while they load.
constexpr uint64_t kQuietLoadBytes = 32000;
constexpr std::string_view kLocalhostLine = "127.0.0.1 localhost";

std::string itemsText(int32_t count) {
    return std::to_string(count) + " items";
}

// The busy state for as long as an operation runs, however it ends.
class BusyScope {
public:
    explicit BusyScope(UserInterface& ui) : m_ui(ui) { m_ui.setBusy(true); }
    ~BusyScope() { m_ui.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    UserInterface& m_ui;
};

// A list being refilled: its views stop following it and are shown the result once, at the end.
class RefillScope {
public:
    explicit RefillScope(EntryList& list) : m_list(list) { m_list.beginBulkChange(); }
    ~RefillScope() { m_list.endBulkChange(); }
    RefillScope(const RefillScope&) = delete;
    RefillScope& operator=(const RefillScope&) = delete;

private:
    EntryList& m_list;
};

} // namespace

HostsDocument::HostsDocument(FileSystem& files, Environment& environment, UserInterface& ui)
    : m_files(files), m_environment(environment), m_ui(ui), m_collation(std::make_unique<AsciiCollation>()) {}

void HostsDocument::textsChanged() {
    if (m_textsListener)
        m_textsListener();
}

void HostsDocument::setStatus(std::string& status, const std::string& text) {
    status = text;
    textsChanged();
}

void HostsDocument::showTotal() {
    setStatus(m_totalStatus, "Total: " + std::to_string(m_lines.count()));
}

void HostsDocument::setSourcePath(const std::string& path) {
    if (m_sourcePath == path)
        return;
    m_sourcePath = path;
    textsChanged();
}

void HostsDocument::setHostsPath(const std::string& path) {
    if (m_hostsPath == path)
        return;
    m_hostsPath = path;
    m_needsReload = true;
    textsChanged();
}

bool HostsDocument::load(const std::string& path) {
    if (!fileHasData(m_files, path))
        return true;
    {
        BusyScope busy(m_ui);
        RefillScope refill(m_lines);
        m_lines.clear();
        m_selection.reset();
        const PathInfo info = m_files.stat(path, true);
        ProgressSink& progress = m_ui.progress();
        if (info.size > kQuietLoadBytes)
            progress.show();
        const int32_t maximum = clampToInt32(info.size);
        int32_t value = 0;
        m_lines.reserveBytes(static_cast<size_t>(std::min<uint64_t>(info.size, uint64_t{1} << 32)));
        m_lines.beginAppend();
        const int error = readFileLines(m_files, path, m_convention, [&](std::string_view line) {
            m_lines.append(line);
            progress.step(clampToInt32(line.size()), value, maximum);
        });
        m_hostsReadIncomplete = error != 0;
        m_lines.endAppend();
        progress.close();
    }
    showTotal();
    setHostsPath(path);
    return !m_hostsReadIncomplete;
}

void HostsDocument::start(bool noLoad) {
    const std::string path = hostsFilePath(m_environment);
    if (noLoad) {
        setHostsPath(path);
    } else {
        m_ui.progress().setTitle("Loading HOSTS...");
        load(path);
        // A file that was not loaded leaves the title set: the next operation starts from the default.
        m_ui.progress().close();
    }
    m_modified = false;
    m_needsReload = false;
}

MergeResult HostsDocument::merge() {
    MergeResult result;
    ProgressSink& progress = m_ui.progress();
    BusyScope busy(m_ui);
    {
        RefillScope refill(m_lines);
        m_added.clear();
        m_addedSelection.reset();
        DuplicateIndex index(m_lines);
        if (m_lines.count() == 0 || m_needsReload) {
            m_lines.clear();
            m_selection.reset();
            m_hostsReadIncomplete = false;
            progress.setTitle("Loading HOSTS...");
            result.hostsReread = true;
            if (!fileHasData(m_files, m_hostsPath)) {
                m_ui.notify(m_hostsPath + " does not exist.");
            } else {
                // The lines are the file's again; only what the list adds is unsaved.
                m_modified = false;
                progress.show();
                const SourceReadResult read =
                    readSourceFile(m_files, m_hostsPath, m_convention, m_lines, nullptr, index, progress);
                m_hostsReadIncomplete = read.error != 0;
                result.hostsLinesRead = read.appended;
                result.hostsReadError = read.error;
                progress.close();
                setStatus(m_rereadStatus, itemsText(read.appended));
            }
        } else {
            progress.setTitle("Finding Duplicates...");
            progress.show();
            indexHostsLines(m_lines, index, progress);
        }
        progress.close();
        progress.setTitle("Merging New HOSTS...");
        if (!fileHasData(m_files, m_sourcePath)) {
            result.listMissing = true;
        } else {
            m_modified = true;
            progress.show();
            const SourceReadResult read =
                readSourceFile(m_files, m_sourcePath, m_convention, m_lines, &m_added, index, progress);
            result.linesAdded = read.appended;
            result.listReadError = read.error;
            progress.close();
            setStatus(m_addedStatus, itemsText(read.appended));
        }
    }
    showTotal();
    progress.close();
    m_needsReload = false;
    return result;
}

bool HostsDocument::save(const std::string& path) {
    std::string target = path;
    if (target.empty())
        target = std::string(trimSpaces(m_ui.chooseSaveFile(hostsFilePath(m_environment))));
    if (target.empty())
        return false;
    m_lastSave = saveHostsFile(m_files, target, m_lines, m_convention);
    if (m_lastSave.status != SaveStatus::Saved) {
        m_ui.reportError("The HOSTS list was not saved. " + m_lastSave.message);
        return false;
    }
    m_modified = false;
    return true;
}

bool HostsDocument::queryClose() {
    if (!m_modified)
        return true;
    const Answer answer = m_ui.ask("Do you want to save the changes?", MessageStyle::YesNoCancel);
    if (answer == Answer::Yes) {
        // The window stays open after saving, so that the user sees the save went through.
        save();
        return false;
    }
    return answer != Answer::Cancel;
}

void HostsDocument::sort() {
    BusyScope busy(m_ui);
    ProgressSink& progress = m_ui.progress();
    const int32_t last = m_lines.count() - 1;
    // Two passes, as the user sees them: ordering the copy, then putting it back.
    progress.show();
    const std::vector<int32_t> order = m_collation->order(m_lines);
    int32_t value = 0;
    for (int32_t i = 0; i <= last; ++i)
        progress.step(1, value, last);
    progress.close();
    progress.setTitle("Sorting...");
    progress.show();
    m_lines.reorder(order);
    m_selection.reset();
    value = 0;
    for (int32_t i = 0; i <= last; ++i)
        progress.step(1, value, last);
    progress.close();
}

void HostsDocument::clear() {
    if (m_ui.ask("Do you want to clear the HOSTS file?",
                 MessageStyle::YesNo | MessageStyle::Critical | MessageStyle::DefaultButton2) != Answer::Yes)
        return;
    resetToLocalhost();
}

void HostsDocument::resetToLocalhost() {
    m_lines.clear();
    m_selection.reset();
    m_lines.append(kLocalhostLine);
    m_modified = true;
}

int32_t HostsDocument::removeBlock(const std::string& name) {
    const std::vector<uint8_t> removed = markBlocks(m_lines, name);
    const int32_t before = m_lines.count();
    m_lines.removeWhere(removed);
    m_selection.linesRemoved(removed, m_lines.count());
    return before - m_lines.count();
}

void HostsDocument::edited() {
    m_needsReload = true;
    m_modified = true;
}

void HostsDocument::selectAll() {
    m_selection.selectAll(m_lines.count());
}

void HostsDocument::deleteSelected() {
    if (m_selection.selectedCount() > 0) {
        const std::vector<uint8_t> removed = m_selection.flags();
        m_lines.removeWhere(removed);
        m_selection.linesRemoved(removed, m_lines.count());
        edited();
    }
    showTotal();
}

void HostsDocument::addLine() {
    const std::string line =
        m_ui.askText("Enter code to add:", std::string(), std::string(m_lines.text(m_selection.current())), true);
    if (line.empty())
        return;
    m_lines.append(line);
    edited();
}

FindResult HostsDocument::find(bool askForText) {
    if (askForText || m_searchText.empty()) {
        const std::string text = m_ui.askText("Enter text to find:", "Find", m_searchText, false);
        if (text.empty())
            return FindResult::Cancelled;
        m_searchText = text;
    }
    m_selection.clear();
    for (int32_t i = std::max(m_selection.current() + 1, 0); i < m_lines.count(); ++i) {
        if (ifind(m_lines.text(i), m_searchText) != std::string_view::npos) {
            m_selection.selectOnly(i);
            return FindResult::Found;
        }
    }
    m_ui.notify("'" + m_searchText + "' not found.");
    return FindResult::NotFound;
}

void HostsDocument::selectCurrentAddedLine() {
    m_selection.clear();
    const int32_t found = m_lines.findIgnoringCase(m_added.text(m_addedSelection.current()));
    if (found >= 0)
        m_selection.selectOnly(found);
}

} // namespace velmora
