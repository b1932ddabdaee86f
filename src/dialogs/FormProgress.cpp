#include "dialogs/FormProgress.h"

#include "dialogs/Units.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace velmora {

formProgress::formProgress(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("formProgress"));
    setWindowTitle(QStringLiteral("Loading"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(twips(2595), twips(765));

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setGeometry(twipsRect(60, 210, 2445, 300));

    Shape2 = new QFrame(this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setAutoFillBackground(true);
    QPalette palette = Shape2->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Active, QPalette::Highlight));
    Shape2->setPalette(palette);
    Shape2->setGeometry(twipsRect(60, 210, ProgressBar::kStubWidth, 315));

    lblPercent = new QLabel(this);
    lblPercent->setObjectName(QStringLiteral("lblPercent"));
    lblPercent->setAlignment(Qt::AlignCenter);
    lblPercent->setGeometry(twipsRect(45, 555, 2475, 225));

    // First placed at the centre of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool formProgress::ShowProgress(int32_t inc, int32_t& value, int32_t maxvalue) {
    if (!advanceProgress(m_bar, inc, value, maxvalue))
        return false;
    // The bar grows in twips; the screen only sees whole pixels and whole percents, so only a change
    // of either is drawn.
    const int width = twips(m_bar.barWidth);
    const QString text = QString::fromStdString(m_bar.percentText);
    if (width == Shape2->width() && text == lblPercent->text())
        return false;
    Shape2->resize(width, Shape2->height());
    lblPercent->setText(text);
    // Painted at once, in one pass over this small window: the work holds the event loop meanwhile.
    if (isVisible())
        repaint();
    return true;
}

} // namespace velmora
