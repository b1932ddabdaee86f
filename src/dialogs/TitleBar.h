#pragma once

#include <QPoint>
#include <QWidget>

class QToolButton;

namespace velmora {

// The title bar the program's dialogs and tool windows draw themselves ("titleBar"). Window managers
// draw minimise and maximise buttons on a dialog whatever it asks for (openbox does): minimising a
// modal question left the main window frozen behind it, and minimising the progress window took the
// whole program along. So these windows get no frame from the window manager at all, only a border,
// and this bar: the window's title, dragging that moves the window (through the window system where it
// can), and a close button ("btnTitleClose") that closes it as the window manager's close would. A
// window the system minimises anyway is shown again at once.
class TitleBar : public QWidget {
    Q_OBJECT
public:
    // Takes away `window`'s frame (call it before the window is shown), puts the bar across its top and
    // watches the window for its title, its activation and its minimising. The small bar is a tool
    // window's.
    TitleBar(QWidget* window, bool small);

    // The place the window's own controls start at, below the bar and inside the border.
    QPoint clientOrigin() const { return {kBorder, kBorder + height()}; }
    // The window's size for a client area of this size.
    QSize windowSizeFor(const QSize& client) const;
    // The width the bar needs for the whole of the window's title beside its close button.
    int neededWidth() const;

    static constexpr int kBorder = 1;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitToWindow();
    // The close button's cross in the colour of the title's text.
    void colourCross();

    QWidget* m_window;
    QToolButton* m_close;
    bool m_dragging = false;
    QPoint m_grab; // where the mouse took the window, from its top left corner
};

} // namespace velmora
