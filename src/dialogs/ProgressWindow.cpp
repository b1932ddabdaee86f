#include "dialogs/ProgressWindow.h"

#include "dialogs/TitleBar.h"
#include "dialogs/Units.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QThread>
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
// The Cancel button, when the work offers one, below the percentage; the window grows to hold it.
constexpr QRect kCancelPlace{667, 840, 1260, 420};
constexpr int kCancelClientHeight = 1380;
// How often the user's input is taken while the work runs, and the longest wait for the window system
// to put the window on screen.
constexpr qint64 kInputMs = 30;
constexpr qint64 kExposeWaitMs = 1000;

} // namespace

ProgressWindow::ProgressWindow(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("formProgress"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_titleBar = new TitleBar(this, true);
    setFixedSize(m_titleBar->windowSizeFor(twipsRect(0, 0, kClientWidth, kClientHeight).size()));

    // The track, the bar and the percentage keep their places in a panel of the window's first size,
    // centred when a long title widens the window.
    m_content = new QWidget(this);
    m_content->setGeometry(QRect(m_titleBar->clientOrigin(), twipsRect(0, 0, kClientWidth, kClientHeight).size()));
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

void ProgressWindow::offerCancel(std::atomic<bool>* cancel) {
    m_cancel = cancel;
    if (!m_cancelButton) {
        const QSize client = twipsRect(0, 0, kClientWidth, kCancelClientHeight).size();
        m_content->resize(m_content->width(), client.height());
        const QPoint centre = geometry().center();
        setFixedSize(width(), m_titleBar->windowSizeFor(client).height());
        move(centre - rect().center());
        m_cancelButton = new QPushButton(QStringLiteral("Cancel"), m_content);
        m_cancelButton->setObjectName(QStringLiteral("btnCancel"));
        m_cancelButton->setGeometry(twipsRect(kCancelPlace));
        connect(m_cancelButton, &QPushButton::clicked, this, &ProgressWindow::cancel);
    }
    // The work holds the event loop; only this window may take input meanwhile.
    setWindowModality(Qt::ApplicationModal);
}

void ProgressWindow::cancel() {
    if (!m_cancel)
        return;
    m_cancel->store(true);
    if (m_cancelButton)
        m_cancelButton->setEnabled(false);
}

void ProgressWindow::takeUserInput() {
    if (!m_cancel || (m_input.isValid() && m_input.elapsed() < kInputMs))
        return;
    m_input.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ProgressWindow::holdInput() {
    if (windowModality() == Qt::ApplicationModal)
        return;
    // A window's modality takes effect only when it is shown.
    const bool visible = isVisible();
    if (visible)
        hide();
    setWindowModality(Qt::ApplicationModal);
    if (visible)
        show();
}

namespace {
QString bytesText(uint64_t bytes) {
    constexpr uint64_t kKiB = 1024;
    if (bytes < 10 * kKiB)
        return QStringLiteral("%1 bytes").arg(bytes);
    if (bytes < 10 * kKiB * kKiB)
        return QStringLiteral("%1 KB").arg(bytes / kKiB);
    return QStringLiteral("%1 MB").arg(static_cast<double>(bytes) / (1024.0 * 1024.0), 0, 'f', 1);
}
} // namespace

void ProgressWindow::showReceived(uint64_t received, uint64_t total) {
    QString text = bytesText(received);
    if (total > 0)
        text = QStringLiteral("%1 of %2 (%3%)")
                   .arg(text, bytesText(total))
                   .arg(static_cast<int>(std::min<uint64_t>(received, total) * 100 / total));
    if (m_percent->text() != text)
        m_percent->setText(text);
}

void ProgressWindow::showPainted() {
    show();
    raise();
    QElapsedTimer waiting;
    waiting.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const QWindow* handle = windowHandle();
        if (!handle || handle->isExposed() || waiting.elapsed() >= kExposeWaitMs)
            break;
        QThread::msleep(2);
    }
    repaint();
    m_painted.start();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // With a Cancel, closing is cancelling; the work closes the window when it has stopped.
    if (m_cancel) {
        cancel();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
    if (m_cancel && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ProgressWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::FontChange)
        fitTitle();
    QWidget::changeEvent(event);
}

void ProgressWindow::fitTitle() {
    if (!m_content || !m_titleBar)
        return;
    const int least = m_titleBar->windowSizeFor(m_content->size()).width();
    int width = std::max(least, m_titleBar->neededWidth());
    if (const QScreen* screen = this->screen())
        width = std::max(least, std::min(width, screen->availableGeometry().width()));
    if (width == this->width())
        return;
    const int grown = width - this->width();
    setFixedSize(width, height());
    m_content->move((width - m_content->width()) / 2, m_content->y());
    move(pos() - QPoint(grown / 2, 0));
}

void ProgressWindow::step(int32_t increment, int32_t& value, int32_t maximum) {
    if (advanceProgress(m_progress, increment, value, maximum)) {
        // The bar grows in twips; the screen only sees whole pixels and whole percents, so only a
        // change of either is drawn.
        const int width = twips(m_progress.barWidth);
        const QString text = QString::fromStdString(m_progress.percentText);
        if (width != m_bar->width() || text != m_percent->text()) {
            m_bar->resize(width, m_bar->height());
            m_percent->setText(text);
            // Painted at once, in one pass over this small window: the work holds the event loop
            // meanwhile. No more often than a screen shows frames, though: a million-line file is read
            // in less time than its bar would take to paint every pixel it grows. A change left
            // unpainted is painted with the next one, or by the event loop once the work is done.
            constexpr qint64 kFrameMs = 16;
            if (isVisible() && (!m_painted.isValid() || m_painted.elapsed() >= kFrameMs)) {
                // Qt paints only a window the window system has said is on screen; until then that
                // news is fetched here (user input still waits), or the window would stay blank.
                const QWindow* handle = windowHandle();
                if (handle && !handle->isExposed())
                    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                else
                    repaint();
                m_painted.start();
            }
        }
    }
    takeUserInput();
}

} // namespace velmora
