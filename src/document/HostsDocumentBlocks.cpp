// The document's blocks as the user sees them: switched off and on, updated now, added from an
// address, removed by name; and the added lines shown again when a change is taken back.
#include "document/HostsDocument.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <filesystem>

namespace velmora {

void HostsDocument::replaceCompleting(EntryList& lines) {
    std::deque<BlockListNames> store;
    EntryList completed;
    m_lastCompletion = rebuildSourcedBlocks(
        lines, {}, [&](const BlockInfo& block) { return keptListOf(block, store); }, completed);
    m_lines.beginBulkChange();
    m_selection.reset();
    replaceLines(m_lastCompletion.changed ? completed : lines);
    m_lines.endBulkChange();
}

BlockSwitchResult HostsDocument::switchBlock(const std::string& name, bool on) {
    m_lastCompletion = BlocksRebuild{};
    EntryList switched;
    const BlockSwitchResult result = switchBlocks(m_lines, name, on, switched);
    if (result.status != BlockSwitchStatus::Switched)
        return result;
    m_ui.setBusy(true);
    replaceCompleting(switched);
    m_ui.setBusy(false);
    edited();
    showTotal();
    return result;
}

BlocksUpdate HostsDocument::updateBlockNow(const std::string& name) {
    BlocksUpdate update;
    const std::vector<BlockInfo> all = blocks();
    const auto block = std::find_if(all.begin(), all.end(), [&](const BlockInfo& b) { return iequals(b.name, name); });
    if (block == all.end() || block->source.empty()) {
        update.failed = true;
        m_ui.notify(block == all.end() ? "No block named '" + name + "' was found."
                                       : "Block " + name + " names no list to be updated from: it has no \"" +
                                             std::string(kBlockSource) + "\" line.");
        return update;
    }
    const std::string source = block->source;
    const std::string blockName = block->name;
    if (!isWebAddress(source) && !std::filesystem::path(localPathOf(source)).is_absolute()) {
        update.failed = true;
        m_ui.reportError("The list " + source + " of block " + blockName +
                         " is no full path, so it was left as it was; update it once with its full path.");
        return update;
    }
    const WebListResult list = fetchList(source, true);
    if (list.status == WebListStatus::Failed) {
        update.failed = true;
        return update;
    }
    if (!fileHasData(m_files, list.path)) {
        update.failed = true;
        m_ui.reportError("The list " + source + " is missing or empty; block " + blockName + " was left as it was.");
        return update;
    }
    update = updateBlocks({BlockRequest{blockName, source, {}, list.path}});
    if (update.rebuild.changed)
        edited();
    return update;
}

std::string HostsDocument::addListAsking() {
    const std::string source = std::string(trimSpaces(
        m_ui.askText("Address of the list to keep as a block (http://, https://, or a file's full path):", "Add list",
                     std::string(), false)));
    if (source.empty())
        return {};
    std::string name =
        std::string(trimSpaces(m_ui.askText("Name of the block for " + source + ":", "Add list", source, false)));
    if (name.empty())
        return {};
    const std::vector<BlockInfo> all = blocks();
    if (std::any_of(all.begin(), all.end(), [&](const BlockInfo& b) { return iequals(b.name, name); })) {
        m_ui.notify("A block named '" + name + "' is already in the list: choose another name, or update that block.");
        return {};
    }
    if (!isWebAddress(source) && !std::filesystem::path(localPathOf(source)).is_absolute()) {
        m_ui.notify("The list " + source + " is neither a web address nor a file's full path.");
        return {};
    }
    const WebListResult list = fetchList(source, true);
    if (list.status == WebListStatus::Failed)
        return {};
    if (!fileHasData(m_files, list.path)) {
        m_ui.reportError("The list " + source + " is missing or empty; no block was added.");
        return {};
    }
    const BlocksUpdate update = updateBlocks({BlockRequest{name, source, {}, list.path}});
    if (!update.rebuild.changed)
        return {};
    edited();
    return name;
}

int32_t HostsDocument::removeBlockAsking(const std::string& name) {
    if (m_ui.ask("Do you want to clear the block(s) '" + name + "' from HOSTS file?",
                 MessageStyle::YesNo | MessageStyle::Question | MessageStyle::DefaultButton2) != Answer::Yes)
        return 0;
    const AddedChange change = beginAddedChange();
    const int32_t removed = removeBlock(name);
    endAddedChange(change);
    if (removed > 0)
        edited();
    else
        m_ui.notify("No block named '" + name + "' was found.");
    showTotal();
    return removed;
}

AddedView HostsDocument::addedView() const {
    AddedView view;
    view.addedStatus = m_addedStatus;
    view.rereadStatus = m_rereadStatus;
    view.hostsPath = m_hostsPath;
    view.readPath = m_readPath;
    view.count = m_added.count();
    if (m_added.holdsCopy()) {
        view.copy = std::make_shared<EntryList>();
        view.copy->reserveEntries(static_cast<size_t>(view.count));
        for (int32_t i = 0; i < view.count; ++i)
            view.copy->append(m_added.text(i));
    } else {
        view.first = m_added.first();
    }
    return view;
}

void HostsDocument::showAddedView(const AddedView& view) {
    if (view.copy)
        m_added.setCopy(*view.copy);
    else
        m_added.set(view.first, view.count);
    m_addedSelection.reset();
    m_addedStatus = view.addedStatus;
    m_rereadStatus = view.rereadStatus;
    textsChanged();
}

HostsDocument::AddedChange HostsDocument::beginAddedChange() {
    AddedChange change;
    if (m_addedChanges++ == 0) {
        rememberReadFile();
        change.before = m_history.state();
        change.view = addedView();
    }
    return change;
}

void HostsDocument::endAddedChange(const AddedChange& change) {
    if (--m_addedChanges == 0)
        m_addedViews.record(change.before, m_history.state(), change.view, addedView());
}

void HostsDocument::rememberReadFile() {
    m_readFiles[m_readPath] =
        ReadFile{m_readFingerprint, m_savedState, m_partialReadPath, m_partialReadError, m_partialSaveAgreed};
}

void HostsDocument::returnToFiles(const AddedView& left, const AddedView& to) {
    if (left.hostsPath != to.hostsPath)
        m_hostsPath = to.hostsPath;
    if (left.readPath == to.readPath || m_readPath == to.readPath)
        return;
    rememberReadFile();
    // A file never left since it was read has no record: nothing is known of it.
    const auto known = m_readFiles.find(to.readPath);
    const ReadFile file = known != m_readFiles.end() ? known->second : ReadFile{};
    m_readPath = to.readPath;
    m_readFingerprint = file.fingerprint;
    m_savedState = file.savedState;
    m_hostsReadIncomplete = file.partialError != 0;
    m_partialReadPath = file.partialPath;
    m_partialReadError = file.partialError;
    m_partialSaveAgreed = file.partialAgreed;
}

HostsDocument::Checkpoint HostsDocument::checkpoint() const {
    return Checkpoint{m_history.state(), m_lines.count(),   addedView(),           m_modified,        m_needsReload,
                      m_savedState,      m_readFingerprint, m_hostsReadIncomplete, m_partialReadError};
}

void HostsDocument::rollBack(const Checkpoint& checkpoint) {
    m_addedChanges = 0;
    m_lines.endAppend();
    // A change the operation made is taken back and cannot be made again; lines it appended before it
    // could note them as a change go.
    if (m_history.takeBackTo(checkpoint.state)) {
        if (m_lines.count() > checkpoint.count) {
            std::vector<uint8_t> appended(static_cast<size_t>(m_lines.count()), 0);
            std::fill(appended.begin() + checkpoint.count, appended.end(), uint8_t{1});
            m_lines.removeWhere(appended);
        }
    }
    m_selection.reset();
    m_hostsPath = checkpoint.view.hostsPath;
    m_readPath = checkpoint.view.readPath;
    m_readFingerprint = checkpoint.readFingerprint;
    m_savedState = checkpoint.savedState;
    m_modified = checkpoint.modified;
    m_needsReload = checkpoint.needsReload;
    m_hostsReadIncomplete = checkpoint.readIncomplete;
    m_partialReadError = checkpoint.partialError;
    showAddedView(checkpoint.view);
    showTotal();
}

} // namespace velmora
