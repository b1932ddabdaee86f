#pragma once

#include "mainwindow/EntryListModel.h"

#include <QListView>

namespace velmora {

// A list view over an entry list whose selection and current entry stay the same as the list's:
// what the user selects is written to the list, what the program selects is shown by the view.
//
// It also reports the events the window handles, before the view's own handling of them (which
// always follows: the window's handlers never swallow an event): every key pressed, every mouse
// button released, a double-click of the left button, and the user moving the current entry by
// mouse or keys.
class EntryListView : public QListView {
    Q_OBJECT
public:
    EntryListView(EntryList& list, QWidget* parent = nullptr);

    EntryListModel* entryModel() const { return m_model; }

    // Whether the view shows and hides itself with the list (the default). A view that does not stays
    // as the window sets it.
    void setFollowsListVisibility(bool follows);
    // Whether the right button selects like the left one (the default). When not, a right click
    // leaves the selection and the current entry as they are.
    void setRightButtonSelects(bool selects) { m_rightButtonSelects = selects; }

signals:
    void keyDown(QKeyEvent* event);
    void mouseUp(QMouseEvent* event);
    void dblClick();
    // The user made another entry the current one, by clicking it or with a key.
    void click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void copyFromList();
    void copyToList(const QItemSelection& selected, const QItemSelection& deselected);

    EntryListModel* m_model;
    QMetaObject::Connection m_visibility;
    bool m_syncing = false;
    bool m_rightButtonSelects = true;
};

} // namespace velmora
