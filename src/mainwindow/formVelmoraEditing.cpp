// The main window's editing, searching and links: the key handler of the HOSTS list, the Edit menu,
// adding and deleting lines, the link captions and the hover look.

#include "core/ListOperations.h"
#include "core/TextUtil.h"
#include "dialogs/DisplayText.h"
#include "dialogs/vbInputBox.h"
#include "mainwindow/EntryListView.h"
#include "mainwindow/formVelmora.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>

namespace velmora {

namespace {

// The first line from `start` on that contains `text`, ignoring letter case; -1 when none.
int32_t findLineFrom(const EntryList& list, std::string_view text, int32_t start) {
    for (int32_t i = std::max(start, 0); i < list.count(); ++i) {
        if (ifind(list.view(i), text) != std::string_view::npos)
            return i;
    }
    return -1;
}

} // namespace

void formVelmora::lstHOSTS_KeyDown(int KeyCode, int Shift) {
    if (KeyCode == 65 && Shift == 2) {
        ListItemSelectAll(m_session.lstHOSTS);
        lstHOSTS->setFocus();
    } else if (KeyCode == 46) {
        deleteSelectedLines();
        lstHOSTS->setFocus();
    } else if (KeyCode == 32 || KeyCode == 45 || KeyCode == 113) {
        lstHOSTS_DblClick();
        lstHOSTS->setFocus();
    } else if (KeyCode == 114 || (KeyCode == 70 && Shift == 2)) {
        findText(Shift);
    } else {
        lstHOSTS->setFocus();
    }
}

// Removes the selected lines in one pass; the result is that of removing them one by one from the last
// to the first. The total is shown again even when nothing was selected.
void formVelmora::deleteSelectedLines() {
    EntryList& list = m_session.lstHOSTS;
    if (ListItemSelCount(list) > 0) {
        const std::vector<uint8_t> selected = list.selectionFlags();
        list.removeWhere(selected);
        m_session.bReload = true;
        m_session.bChanged = true;
    }
    m_session.setLabel(HostsSession::Label::HOSTS3, "Total: " + std::to_string(ListItemCount(list)));
}

void formVelmora::findText(int Shift) {
    EntryList& list = m_session.lstHOSTS;
    if (Shift == 2 || m_session.sFindText.empty()) {
        const QString answer = ShowInputBox(QStringLiteral("Enter text to find:"), QStringLiteral("Find"),
                                            displayText(m_session.sFindText), QString(), 5);
        if (answer.isEmpty())
            return;
        m_session.sFindText = bytesFromUser(answer);
    }
    ListItemUnSelectAll(list);
    const int32_t hit = findLineFrom(list, m_session.sFindText, ListItemIndex(list) + 1);
    if (hit >= 0) {
        SetListItemIndex(list, hit);
        return;
    }
    m_ui.ShowMsgBox("'" + m_session.sFindText + "' not found.", 64);
    lstHOSTS->setFocus();
}

void formVelmora::lstHOSTS_DblClick() {
    EntryList& list = m_session.lstHOSTS;
    const QString answer = ShowInputBox(QStringLiteral("Enter code to add:"), QString(),
                                        displayText(list.view(ListItemIndex(list))), QString(), 4);
    if (answer.isEmpty())
        return;
    ListAddItemText(list, bytesFromUser(answer));
    m_session.bReload = true;
    m_session.bChanged = true;
}

void formVelmora::lstHOSTS_MouseUp(int Button, int, const QPoint& globalPos) {
    if (Button == 2)
        mnuEdit->popup(globalPos);
}

void formVelmora::lstNew_Click() {
    EntryList& hosts = m_session.lstHOSTS;
    ListItemUnSelectAll(hosts);
    const int32_t found = ListItemFindExactText(hosts, ListItemText(m_session.lstNew, ListItemIndex(m_session.lstNew)));
    // With no equal line the list keeps nothing selected (index -1 would select every line).
    if (found >= 0)
        SetListItemSelected(hosts, found, 1);
}

void formVelmora::mnuEditDelete_Click() {
    lstHOSTS_KeyDown(46, 0);
}

void formVelmora::mnuEditFind_Click() {
    lstHOSTS_KeyDown(70, 2);
}

void formVelmora::mnuFindNext_Click() {
    lstHOSTS_KeyDown(114, 0);
}

void formVelmora::lblHOSTS_MouseUp(int index, int Button) {
    const std::string& path = m_session.txtHOSTS(index);
    if (Button == 1)
        m_session.platform().openInTextEditor(path);
    else if (Button == 2)
        m_session.platform().openFolder(GetPath(path));
}

void formVelmora::btnOpen_Click() {
    m_session.platform().openInTextEditor(m_session.txtHOSTS(1));
}

void formVelmora::lblCredits_Click() {
    m_session.platform().openAddress(lblCredits->toolTip().toStdString());
}

void formVelmora::setCaptionLook(int index, bool link) {
    QLabel* caption = lblHOSTS[index & 1];
    QFont font = caption->font();
    font.setUnderline(link);
    caption->setFont(font);
    QPalette palette = caption->palette();
    palette.setColor(QPalette::WindowText,
                     link ? QColor(0, 0, 255) : QApplication::palette().color(QPalette::ButtonText));
    caption->setPalette(palette);
}

void formVelmora::lblHOSTS_MouseMove(int index) {
    setCaptionLook(index, true);
}

void formVelmora::Form_MouseMove() {
    setCaptionLook(0, false);
    setCaptionLook(1, false);
}

} // namespace velmora
