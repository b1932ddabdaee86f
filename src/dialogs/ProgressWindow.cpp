#include "dialogs/ProgressWindow.h"

#include "dialogs/Units.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace velmora {

namespace {

// The window's layout, in twips. The bar starts at the track's left edge, one pixel taller.
constexpr int kClientWidth = 2595;
constexpr int kClientHeight = 765;
constexpr QRect kTrackPlace{60, 210, ProgressBar::kTrackWidth, 300};
constexpr int kBarHeight = 315;
constexpr QRect kPercentPlace{45, 555, 2475, 225};
// What a window manager sets beside the title: the window's icon and up to three buttons with their
// gaps. The program cannot know it; this is about what common themes take. Some managers draw buttons
// the window did not ask for (disabled), so it is counted whatever the window asks for.
constexpr int kTitleBarFurniture = 1650;

} // namespace

ProgressWindow::ProgressWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("formProgress"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(twips(kClientWidth), twips(kClientHeight));

    // The track, the bar and the percentage keep their places in a panel of the window's first size,
    // centred when a long title widens the window.
    m_content = new QWidget(this);
    m_content->setGeometry(rect());
    auto* track = new QFrame(m_content);
    track->setObjectName(QStringLiteral("Shape1"));
    track->setFrameShape(QFrame::Box);
    track->setGeometry(twipsRect(kTrackPlace));

    m_bar = new QFrame(m_content);
    m_bar->setObjectName(QStringLiteral("Shape2"));
    m_bar->setAutoFillBackground(true);
    QPalette palette = m_bar->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Active, QPalette::Highlight));
    m_bar->setPalette(palette);
    m_bar->setGeometry(twipsRect(kTrackPlace.x(), kTrackPlace.y(), ProgressBar::kStubWidth, kBarHeight));

    m_percent = new QLabel(m_content);
    m_percent->setObjectName(QStringLiteral("lblPercent"));
    m_percent->setAlignment(Qt::AlignCenter);
    m_percent->setGeometry(twipsRect(kPercentPlace));
    setWindowTitle(QStringLiteral("Loading"));

    // First placed at the centre of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ProgressWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::FontChange)
        fitTitle();
    QWidget::changeEvent(event);
}

void ProgressWindow::fitTitle() {
    if (!m_content)
        return;
    // Title bars mostly set the title in bold; the window manager's own face is not known here.
    QFont titleFont = font();
    titleFont.setBold(true);
    const int needed = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + twips(kTitleBarFurniture, this);
    int width = std::max(m_content->width(), needed);
    if (const QScreen* screen = this->screen())
        width = std::max(m_content->width(), std::min(width, screen->availableGeometry().width()));
    if (width == this->width())
        return;
    const int grown = width - this->width();
    setFixedSize(width, height());
    m_content->move((width - m_content->width()) / 2, 0);
    move(pos() - QPoint(grown / 2, 0));
}

void ProgressWindow::step(int32_t increment, int32_t& value, int32_t maximum) {
    if (!advanceProgress(m_progress, increment, value, maximum))
        return;
    // The bar grows in twips; the screen only sees whole pixels and whole percents, so only a change
    // of either is drawn.
    const int width = twips(m_progress.barWidth);
    const QString text = QString::fromStdString(m_progress.percentText);
    if (width == m_bar->width() && text == m_percent->text())
        return;
    m_bar->resize(width, m_bar->height());
    m_percent->setText(text);
    // Painted at once, in one pass over this small window: the work holds the event loop meanwhile.
    // No more often than a screen shows frames, though: a million-line file is read in less time than
    // its bar would take to paint every pixel it grows. A change left unpainted is painted with the
    // next one, or by the event loop once the work is done.
    constexpr qint64 kFrameMs = 16;
    if (isVisible() && (!m_painted.isValid() || m_painted.elapsed() >= kFrameMs)) {
        // Qt paints only a window the window system has said is on screen. A window manager maps a new
        // window some time after it was shown, and says so through the event loop; until then that
        // news is fetched here (user input still waits), or the window would stay blank to the end.
        const QWindow* handle = windowHandle();
        if (handle && !handle->isExposed())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        else
            repaint();
        m_painted.start();
    }
}

} // namespace velmora
