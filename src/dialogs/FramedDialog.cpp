#include "dialogs/FramedDialog.h"

#include "dialogs/DialogLook.h"
#include "dialogs/TitleBar.h"
#include "dialogs/Units.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>

namespace velmora {

namespace {

// The panel reaches just past the window's edges, so only its lower border shows.
constexpr QRect kPanel{-30, -15, 5715, 1995};
constexpr double kTextPoints = 9.75;
constexpr double kButtonPoints = 8.25;

QLabel* makeText(QWidget* parent, const char* name, bool bold, const QRect& place, const QWidget* screenOf) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(dialogFont(kTextPoints, bold));
    label->setGeometry(twipsRect(place, screenOf));
    return label;
}

} // namespace

FramedDialog::FramedDialog(QWidget* owner, const QString& name, const FrameLayout& layout)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(name);
    setWindowTitle(QStringLiteral(" "));
    setModal(true);
    setSizeGripEnabled(false);
    setFont(dialogFont(kButtonPoints, false));
    m_titleBar = new TitleBar(this, false);
    const QSize clientSize = twipsRect(0, 0, kClientWidth, layout.clientHeight, owner).size();
    setFixedSize(m_titleBar->windowSizeFor(clientSize));
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setGeometry(QRect(m_titleBar->clientOrigin(), clientSize));

    auto* panel = new QFrame(m_client);
    panel->setObjectName(QStringLiteral("Shape1"));
    panel->setStyleSheet(QStringLiteral("#Shape1 { background: palette(base); border: 1px solid palette(mid); }"));
    panel->setGeometry(twipsRect(kPanel, owner));

    m_picture = new QLabel(m_client);
    m_picture->setObjectName(QStringLiteral("imgIcon"));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setGeometry(twipsRect(layout.picture, owner));
    m_prompt = makeText(m_client, "lblLabel", true, layout.prompt, owner);
    m_message = makeText(m_client, "lblMessage", false, layout.message, owner);
}

bool FramedDialog::runModal(FramedDialog* dialog) {
    const QPointer<FramedDialog> alive = dialog;
    dialog->exec();
    return !alive.isNull();
}

void FramedDialog::showContent(const QString& prompt, const QString& title, const QString& message, int32_t picture) {
    m_prompt->setText(prompt);
    m_message->setText(message);
    if (!title.isEmpty())
        setWindowTitle(title);
    m_picture->setPixmap(dialogPicture(picture));
}

} // namespace velmora
