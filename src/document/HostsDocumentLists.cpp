// The document's lists from the web and its block updates.
#include "document/HostsDocument.h"

namespace velmora {

WebListResult HostsDocument::fetchList(const std::string& source) {
    WebListResult result;
    if (!isWebAddress(source)) {
        result.status = WebListStatus::Fresh;
        result.path = source;
        return result;
    }
    m_ui.setBusy(true);
    if (m_downloader)
        result = fetchWebList(*m_downloader, m_files, m_environment, source, m_webOptions, m_ui.progress());
    else
        result.message = "web addresses are not supported here";
    m_ui.setBusy(false);
    if (result.status == WebListStatus::Failed)
        m_ui.reportError("The list " + source + " could not be downloaded: " + result.message);
    return result;
}

BlockReplacement HostsDocument::updateBlock(const std::string& name, const std::string& source,
                                            const std::string& listFile) {
    m_ui.setBusy(true);
    m_lines.beginBulkChange();
    m_added.clear();
    m_addedSelection.reset();
    m_selection.reset();
    EntryList replacement;
    const BlockReplacement result =
        replaceBlock(m_lines, name, source, m_files, listFile, &m_allow, m_ui.progress(), replacement);
    if (result.changed) {
        // The old lines are kept to go back to, and the new ones taken over without a copy.
        m_history.replaceAll();
        m_lines.swapEntries(replacement);
    }
    m_lines.endBulkChange();
    m_ui.setBusy(false);
    if (result.error != 0)
        m_ui.reportError("The list " + source + " could not be read to its end: " + m_files.errorText(result.error));
    if (result.changed)
        edited();
    showTotal();
    return result;
}

} // namespace velmora
