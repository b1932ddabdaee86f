#pragma once

#include "core/Selection.h"
#include "mainwindow/EntryListModel.h"

#include <QListView>

namespace velmora {

// A list view over an entry list whose selection and current line stay those of a Selection: what the
// user selects is written to it, what the program selects is shown (and the current line scrolled into
// view when the program asks for it). The view hides itself while its list has a bulk change running.
//
// It also reports the events the window handles, before the view's own handling of them (which always
// follows): every key pressed, every mouse button released, a double-click of the left button, and the
// user moving the current line by mouse or keys.
class EntryListView : public QListView {
    Q_OBJECT
public:
    EntryListView(const LineSource& list, Selection& selection, QWidget* parent = nullptr);
    // Goes before the lines and the selection it shows (the window deletes its views first).
    ~EntryListView() override;

    // Whether the right button selects like the left one (the default). When not, a right click leaves
    // the selection and the current line as they are.
    void setRightButtonSelects(bool selects) { m_rightButtonSelects = selects; }

signals:
    void keyPressed(QKeyEvent* event);
    void mouseReleased(QMouseEvent* event);
    void doubleClicked();
    // The user made another line the current one, by clicking it or with a key.
    void currentPicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // A row cut off at the edge shows its whole line as a tooltip.
    bool viewportEvent(QEvent* event) override;

private:
    // Makes the rows as wide as the widest line, so that a line wider than the list can be scrolled to.
    void measureWidestLine();

    void copyFromSelection(bool reveal);
    void copyToSelection(const QItemSelection& selected, const QItemSelection& deselected);

    EntryListModel* m_model;
    class RowDelegate* m_delegate;
    Selection& m_selection;
    bool m_syncing = false;
    bool m_rightButtonSelects = true;
};

} // namespace velmora
