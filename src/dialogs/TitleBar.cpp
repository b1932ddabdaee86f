#include "dialogs/TitleBar.h"

#include "dialogs/DialogLook.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>

namespace velmora {

namespace {
// The title's font, in points, and the room around it.
constexpr double kTitlePoints = 9.0;
constexpr double kSmallTitlePoints = 8.25;
constexpr int kTextInset = 6;
// Everything the window manager might add to the window's frame or offer for it.
constexpr Qt::WindowFlags kFrameFlags = Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                        Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                                        Qt::WindowContextHelpButtonHint;
} // namespace

TitleBar::TitleBar(QWidget* window, bool small) : QWidget(window), m_window(window) {
    setObjectName(QStringLiteral("titleBar"));
    window->setWindowFlags((window->windowFlags() & ~kFrameFlags) | Qt::FramelessWindowHint);
    setFont(dialogFont(small ? kSmallTitlePoints : kTitlePoints, true));
    const int barHeight = QFontMetrics(font()).height() + (small ? 4 : 8);
    setFixedHeight(barHeight);

    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("btnTitleClose"));
    m_close->setAutoRaise(true);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setToolTip(QStringLiteral("Close"));
    // A cross in the title's colour, which a style's own close picture may not have on this bar.
    m_close->setText(QStringLiteral("\u00D7"));
    QFont cross = font();
    cross.setPointSizeF(cross.pointSizeF() * 1.4);
    m_close->setFont(cross);
    m_close->setFixedSize(barHeight - 4, barHeight - 4);
    connect(m_close, &QToolButton::clicked, window, &QWidget::close);

    window->installEventFilter(this);
    fitToWindow();
    colourCross();
}

void TitleBar::colourCross() {
    QPalette colours = m_close->palette();
    colours.setColor(QPalette::ButtonText,
                     palette().color(m_window->isActiveWindow() ? QPalette::HighlightedText : QPalette::Window));
    m_close->setPalette(colours);
}

QSize TitleBar::windowSizeFor(const QSize& client) const {
    return {client.width() + 2 * kBorder, client.height() + height() + 2 * kBorder};
}

int TitleBar::neededWidth() const {
    return 2 * kTextInset + QFontMetrics(font()).horizontalAdvance(m_window->windowTitle()) + m_close->width() +
           2 * kBorder + 2;
}

void TitleBar::fitToWindow() {
    setGeometry(kBorder, kBorder, std::max(0, m_window->width() - 2 * kBorder), height());
    m_close->move(width() - m_close->width() - 2, (height() - m_close->height()) / 2);
}

void TitleBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool active = m_window->isActiveWindow();
    painter.fillRect(rect(), palette().color(active ? QPalette::Highlight : QPalette::Mid));
    painter.setPen(palette().color(active ? QPalette::HighlightedText : QPalette::Window));
    const QRect text(kTextInset, 0, m_close->x() - 2 * kTextInset, height());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(font()).elidedText(m_window->windowTitle(), Qt::ElideRight, text.width()));
}

void TitleBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // The window system moves the window where it can (X11, Wayland, Windows); elsewhere it follows.
    QWindow* handle = m_window->windowHandle();
    if (handle && handle->startSystemMove())
        return;
    m_dragging = true;
    m_grab = event->globalPosition().toPoint() - m_window->pos();
}

void TitleBar::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging)
        m_window->move(event->globalPosition().toPoint() - m_grab);
}

void TitleBar::mouseReleaseEvent(QMouseEvent*) {
    m_dragging = false;
}

bool TitleBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
        fitToWindow();
        break;
    case QEvent::ActivationChange:
        colourCross();
        update();
        break;
    case QEvent::WindowTitleChange:
        update();
        break;
    case QEvent::Paint: {
        // The border the window manager no longer draws; the window's own controls paint inside it.
        QPainter painter(m_window);
        painter.setPen(m_window->palette().color(QPalette::Shadow));
        painter.drawRect(m_window->rect().adjusted(0, 0, -1, -1));
        break;
    }
    case QEvent::WindowStateChange:
        // Minimised all the same (a window manager's key or menu): a dialog hidden that way would leave
        // the program waiting for an answer nobody can see.
        if (m_window->windowState() & Qt::WindowMinimized) {
            QTimer::singleShot(0, m_window, [window = m_window] {
                window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
                window->show();
                window->raise();
                window->activateWindow();
            });
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmora
