#include "startup/HostsSession.h"

#include "core/HostsPath.h"
#include "core/TextUtil.h"
#include "merge/RemoveBlock.h"
#include "merge/SourceList.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace velmora {

namespace {

// Files longer than this show the progress window while they load.
constexpr uint64_t kQuietLoadBytes = 32000;

int32_t clampToInt32(uint64_t value) {
    return static_cast<int32_t>(std::min<uint64_t>(value, std::numeric_limits<int32_t>::max()));
}

// Restores the pointer and the list however the operation ends.
class BusyScope {
public:
    BusyScope(UserInterface& ui, EntryList* hidden) : m_ui(ui), m_hidden(hidden) {
        m_ui.setBusy(true);
        if (m_hidden)
            m_hidden->setVisible(false);
    }
    ~BusyScope() {
        if (m_hidden)
            m_hidden->setVisible(true);
        m_ui.setBusy(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    UserInterface& m_ui;
    EntryList* m_hidden;
};

} // namespace

HostsSession::HostsSession(Platform& platform, UserInterface& ui)
    : m_platform(platform), m_ui(ui), m_collation(std::make_unique<AsciiCollation>()) {}

void HostsSession::textsChanged() {
    if (onTextsChanged)
        onTextsChanged();
}

void HostsSession::setTxtHOSTS(int index, const std::string& text) {
    std::string& box = m_paths[static_cast<size_t>(index & 1)];
    if (box == text)
        return;
    box = text;
    if ((index & 1) == 1)
        bReload = true;
    textsChanged();
}

void HostsSession::setLabel(Label which, const std::string& text) {
    m_labels[static_cast<size_t>(which)] = text;
    textsChanged();
}

void HostsSession::LoadHOSTS(const std::string& path) {
    if (!FileHasData(m_platform, path))
        return;
    {
        BusyScope busy(m_ui, nullptr);
        // Hidden first, so that a view learns of the emptying and the refill once, when shown again.
        lstHOSTS.setVisible(false);
        lstHOSTS.clear();
        const PathInfo info = m_platform.stat(path, true);
        if (info.size > kQuietLoadBytes)
            m_ui.showProgress();
        const int32_t maxvalue = clampToInt32(info.size);
        int32_t value = 0;
        lstHOSTS.reserve(0, static_cast<size_t>(std::min<uint64_t>(info.size, uint64_t{1} << 32)));
        lstHOSTS.beginAppend();
        const int error = readFileLines(m_platform, path, m_convention, [&](std::string_view line) {
            lstHOSTS.addItemText(line);
            m_ui.ShowProgress(clampToInt32(line.size()), value, maxvalue);
        });
        m_hostsReadIncomplete = error != 0;
        lstHOSTS.endAppend();
        m_ui.closeProgress();
        lstHOSTS.setVisible(true);
        setLabel(Label::HOSTS3, "Total: " + std::to_string(lstHOSTS.count()));
    }
    setTxtHOSTS(1, path);
}

void HostsSession::startInteractive(bool noLoad) {
    if (noLoad) {
        setTxtHOSTS(1, GetHOSTSPath(m_platform));
    } else {
        m_ui.setProgressTitle("Loading HOSTS...");
        LoadHOSTS(GetHOSTSPath(m_platform));
        // A file that was not loaded leaves the title set: the next user starts from the design one.
        m_ui.closeProgress();
    }
    bChanged = false;
    bReload = false;
}

void HostsSession::ReadListFile(const std::string& fileName, Label countLabel, bool addToNew) {
    if (!addToNew)
        m_hostsReadIncomplete = false;
    if (!FileHasData(m_platform, fileName)) {
        if (!addToNew)
            m_ui.ShowMsgBox(fileName + " does not exist.", 64);
        return;
    }
    const PathInfo info = m_platform.stat(fileName, true);
    const int32_t maxvalue = clampToInt32(info.size);
    bChanged = addToNew;
    m_ui.showProgress();
    int32_t value = 0;
    // Only a merge creates the index; a read outside one finds every line new.
    DuplicateIndex standalone(lstHOSTS);
    DuplicateIndex& index = m_colLines ? *m_colLines : standalone;
    // The texts' room in one piece, so a large list is not copied as it grows.
    const auto bytes = static_cast<size_t>(std::min<uint64_t>(info.size, uint64_t{1} << 32));
    lstHOSTS.reserve(bytes / 32, bytes);
    if (addToNew)
        lstNew.reserve(bytes / 32, bytes);
    SourceListReader reader(lstHOSTS, addToNew ? &lstNew : nullptr, index);
    const int error = readFileLines(m_platform, fileName, m_convention, [&](std::string_view line) {
        m_ui.ShowProgress(clampToInt32(line.size()), value, maxvalue);
        reader.line(line);
    });
    if (!addToNew)
        m_hostsReadIncomplete = error != 0;
    reader.finish();
    const int32_t appended = reader.appended();
    m_ui.closeProgress();
    setLabel(countLabel, std::to_string(appended) + " items");
}

void HostsSession::btnMerge_Click() {
    BusyScope busy(m_ui, &lstHOSTS);
    lstNew.clear();
    DuplicateIndex colLines(lstHOSTS);
    m_colLines = &colLines;
    if (lstHOSTS.count() == 0 || bReload) {
        lstHOSTS.clear();
        m_ui.setProgressTitle("Loading HOSTS...");
        ReadListFile(txtHOSTS(1), Label::HOSTS2, false);
    } else {
        m_ui.setProgressTitle("Finding Duplicates...");
        m_ui.showProgress();
        const int32_t last = lstHOSTS.count() - 1;
        int32_t value = 0;
        indexHostsLines(lstHOSTS, colLines, [&] { m_ui.ShowProgress(1, value, last); });
    }
    m_ui.closeProgress();
    m_ui.setProgressTitle("Merging New HOSTS...");
    ReadListFile(txtHOSTS(0), Label::HOSTS1, true);
    lstHOSTS.setVisible(true);
    setLabel(Label::HOSTS3, "Total: " + std::to_string(lstHOSTS.count()));
    m_ui.closeProgress();
    m_colLines = nullptr;
    bReload = false;
}

std::string HostsSession::ShowSaveDialog(const std::string& filter, const std::string& title,
                                         const std::string& initialFolder, const std::string& initialName) {
    FileDialogRequest request;
    request.owner = m_dialogOwner;
    request.filter = filter;
    request.title = title;
    request.initialPath = initialFolder;
    request.initialName = initialName.substr(0, 254);
    return std::string(trimSpaces(m_platform.chooseSaveFile(request)));
}

bool HostsSession::SaveHOSTS(const std::string& path) {
    std::string target = path;
    if (target.empty())
        target = ShowSaveDialog("Host File", "Save HOSTS", GetHOSTSPath(m_platform), "HOSTS");
    if (target.empty())
        return false;
    m_lastSave = saveHostsFile(m_platform, target, lstHOSTS, m_convention);
    if (m_lastSave.status != SaveStatus::Saved) {
        m_ui.reportError("The HOSTS list was not saved. " + m_lastSave.message);
        return false;
    }
    bChanged = false;
    return true;
}

bool HostsSession::queryClose() {
    if (!bChanged)
        return true;
    const int32_t answer = m_ui.ShowMsgBox("Do you want to save the changes?", 3);
    if (answer == 6) {
        SaveHOSTS("");
        return false;
    }
    return answer != 2;
}

void HostsSession::btnSort_Click() {
    const int32_t last = lstHOSTS.count() - 1;
    BusyScope busy(m_ui, nullptr);
    // First pass: the sorted copy. The order is worked out once, not by inserting line by line.
    m_ui.showProgress();
    lstSort.assignFrom(lstHOSTS, m_collation->order(lstHOSTS));
    int32_t value = 0;
    for (int32_t i = 0; i <= last; ++i)
        m_ui.ShowProgress(1, value, last);
    m_ui.closeProgress();
    // Second pass: back into the document in sorted order.
    m_ui.setProgressTitle("Sorting...");
    m_ui.showProgress();
    value = 0;
    std::vector<int32_t> identity(static_cast<size_t>(lstSort.count()));
    std::iota(identity.begin(), identity.end(), 0);
    lstHOSTS.assignFrom(lstSort, identity);
    for (int32_t i = 0; i <= last; ++i)
        m_ui.ShowProgress(1, value, last);
    m_ui.closeProgress();
}

void HostsSession::btnClear_Click() {
    if (m_ui.ShowMsgBox("Do you want to clear the HOSTS file?", 276) != 6)
        return;
    lstHOSTS.clear();
    lstHOSTS.addItemText("127.0.0.1 localhost");
    bChanged = true;
}

int32_t HostsSession::RemoveBlock(const std::string& name) { return removeBlocks(lstHOSTS, name); }

} // namespace velmora
