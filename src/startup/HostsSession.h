#pragma once

#include "core/EntryList.h"
#include "core/HostsFile.h"
#include "core/LineText.h"
#include "core/UserInterface.h"
#include "merge/SourceList.h"
#include "merge/Sort.h"
#include "platform/Platform.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace velmora {

// The document state of the main window and every operation on it, without any widget: the three
// entry lists, the two path boxes, the three status labels and the flags. The window shows this
// state and forwards its events here; the unattended modes drive it with no window at all.
class HostsSession {
public:
    enum class Label { HOSTS1, HOSTS2, HOSTS3 };

    HostsSession(Platform& platform, UserInterface& ui);

    EntryList lstHOSTS{false};
    EntryList lstNew{false};
    EntryList lstSort{true};

    bool bChanged = false;
    bool bReload = false;
    std::string sFindText;

    // The path boxes: element 0 the source list, element 1 the HOSTS file. A change of element 1's
    // text sets bReload.
    const std::string& txtHOSTS(int index) const { return m_paths[static_cast<size_t>(index & 1)]; }
    void setTxtHOSTS(int index, const std::string& text);

    const std::string& label(Label which) const { return m_labels[static_cast<size_t>(which)]; }
    void setLabel(Label which, const std::string& text);

    // Called whenever a path box or a label changes, so that a window can show it.
    std::function<void()> onTextsChanged;

    // Replaces lstHOSTS with the lines of the file, kept exactly as read. A missing or empty file
    // changes nothing. The progress window shows only for files over 32000 bytes, with the title the
    // caller set. Ends by showing the total and putting path into the HOSTS path box.
    void LoadHOSTS(const std::string& path);

    // True when the last read of the HOSTS file (a load, or a merge that rebuilt the list) found data
    // but ended early on an error: the list then lacks lines of the file, and saving it would drop them.
    bool hostsReadIncomplete() const { return m_hostsReadIncomplete; }

    // Interactive start: loads the HOSTS file (or, with noLoad, only shows its path), clears both flags.
    void startInteractive(bool noLoad);

    // Reads a list file into lstHOSTS (and lstNew when addToNew) by the source-list rules.
    void ReadListFile(const std::string& fileName, Label countLabel, bool addToNew);

    // The merge of the source list in path box 0 into lstHOSTS (reloading the HOSTS file of path box 1
    // first when the list is empty or bReload is set).
    void btnMerge_Click();

    // Saves lstHOSTS to path, asking for the path with the save dialog when it is empty. Returns false
    // when nothing was saved (cancelled, or failed: then the user has been told why and bChanged stays).
    bool SaveHOSTS(const std::string& path);
    const SaveResult& lastSave() const { return m_lastSave; }

    // The closing question. Returns true when the window may close.
    bool queryClose();

    void btnSort_Click();
    void btnClear_Click();
    int32_t RemoveBlock(const std::string& name);

    Platform& platform() { return m_platform; }
    UserInterface& ui() { return m_ui; }
    void setCollation(std::unique_ptr<Collation> collation) { m_collation = std::move(collation); }
    void setLineConvention(LineConvention convention) { m_convention = convention; }
    LineConvention lineConvention() const { return m_convention; }
    // The owner window for file dialogs (a QWidget*), none by default.
    void setDialogOwner(void* owner) { m_dialogOwner = owner; }
    // The file the save dialog offers; the HOSTS path by default.
    std::string ShowSaveDialog(const std::string& filter, const std::string& title, const std::string& initialFolder,
                               const std::string& initialName);

private:
    void textsChanged();

    Platform& m_platform;
    UserInterface& m_ui;
    std::unique_ptr<Collation> m_collation;
    LineConvention m_convention = nativeLineConvention();
    std::array<std::string, 2> m_paths;
    std::array<std::string, 3> m_labels;
    SaveResult m_lastSave;
    void* m_dialogOwner = nullptr;
    // The duplicate index `colLines`: exists only while a merge runs.
    DuplicateIndex* m_colLines = nullptr;
    bool m_hostsReadIncomplete = false;
};

} // namespace velmora
