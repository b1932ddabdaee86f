#include "dialogs/MessageBox.h"

#include "dialogs/DialogTestHook.h"
#include "dialogs/Units.h"
#include "platform/DesktopServices.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace velmora {

namespace {

// The window's layout, in twips.
constexpr FrameLayout kLayout{2655, {195, 240, 480, 480}, {840, 330, 4800, 1560}, {840, 840, 4785, 1110}};
constexpr int kSlotLeft = 135;
constexpr int kSlotPitch = 1395;
constexpr int kSlotTop = 2055;
constexpr int kSlotWidth = 1260;
constexpr int kSlotHeight = 480;

// With Ctrl, Alt or Meta held a key is a command, never an access letter.
constexpr Qt::KeyboardModifiers kCommandModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

QRect slotPlace(int slot) {
    return {kSlotLeft + kSlotPitch * slot, kSlotTop, kSlotWidth, kSlotHeight};
}

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

MessageBox::MessageBox(const MessageBoxRequest& request)
    : FramedDialog(request.owner, QStringLiteral("vbMsgBox"), kLayout) {
    const QWidget* screenOf = request.owner;
    for (int i = 0; i < messagebox::kSlots; ++i) {
        auto* button = new QPushButton(client());
        button->setObjectName(QStringLiteral("btnSel%1").arg(i));
        button->setProperty("index", i);
        button->setAutoDefault(true);
        button->setGeometry(twipsRect(slotPlace(i), screenOf));
        // Shown only when a caption is put in.
        button->hide();
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, i] { onButtonClicked(i); });
        m_buttons[static_cast<size_t>(i)] = button;
    }

    auto* closeTimer = new QTimer(this);
    closeTimer->setObjectName(QStringLiteral("tmrTimer"));
    closeTimer->setSingleShot(true);
    connect(closeTimer, &QTimer::timeout, this, &MessageBox::onTimeout);
    installEventFilter(this);

    // The delay counts from here; zero or less never fires.
    if (request.closeAfterMs > 0)
        closeTimer->start(request.closeAfterMs);

    // With a second message the prompt becomes a bold heading ending where the message begins.
    const bool withMessage = !request.message.isEmpty();
    if (withMessage) {
        const QRect& prompt = kLayout.prompt;
        m_prompt->setGeometry(
            twipsRect(prompt.x(), prompt.y(), prompt.width(), kLayout.message.y() - prompt.y(), screenOf));
    }
    QFont promptFont = m_prompt->font();
    promptFont.setBold(withMessage);
    m_prompt->setFont(promptFont);

    const messagebox::ButtonSet set = messagebox::decodeStyle(request.style);
    fillButtons(request, set);
    m_soundName = std::string(set.sound);
    showContent(request.prompt, request.title, request.message, set.picture >= 0 ? set.picture : request.picture);

    setDefaultSlot(request.defaultButton);
    if (request.cancelButton >= 0 && request.cancelButton < messagebox::kSlots)
        m_cancelSlot = request.cancelButton;
}

void MessageBox::fillButtons(const MessageBoxRequest& request, const messagebox::ButtonSet& set) {
    std::array<bool, messagebox::kSlots> given{};
    for (size_t k = 0; k < request.captions.size(); ++k)
        given[k] = !request.captions[k].isEmpty();
    const messagebox::CaptionPlacement placement = messagebox::placeCustomCaptions(given);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const int k = placement.captionForSlot[i];
        if (k < 0)
            continue;
        m_buttons[i]->setText(request.captions[static_cast<size_t>(k)]);
        m_buttons[i]->show();
        m_slotAnswer[i] = placement.slotAnswer[i];
    }

    const messagebox::SlotFill fill = messagebox::fillStandardButtons(set, given);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        if (fill.filled[i].caption.empty())
            continue;
        m_buttons[i]->setText(fromView(fill.filled[i].caption));
        m_buttons[i]->show();
        m_slotAnswer[i] = fill.filled[i].answer;
    }
    if (fill.centreSlot0) {
        const int left = twips((kClientWidth - kSlotWidth) / 2, request.owner);
        m_buttons[0]->move(left, m_buttons[0]->y());
    }
    if (fill.defaultSlot >= 0)
        m_buttons[static_cast<size_t>(fill.defaultSlot)]->setDefault(true);
    m_cancelSlot = fill.cancelSlot;
    setDefaultSlot(set.focusSlot);
}

bool MessageBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == this || watched->parent() == client())) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & kCommandModifiers) && !key->text().isEmpty() &&
            pressAccessLetter(key->text().at(0).unicode()))
            return true;
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            // Esc presses the cancel slot; with none (or a hidden one) it does nothing at all.
            if (m_cancelSlot >= 0 && !m_buttons[static_cast<size_t>(m_cancelSlot)]->isHidden())
                m_buttons[static_cast<size_t>(m_cancelSlot)]->click();
            return true;
        }
    }
    return FramedDialog::eventFilter(watched, event);
}

void MessageBox::showEvent(QShowEvent* event) {
    FramedDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        activate();
    }
}

void MessageBox::activate() {
    std::array<bool, messagebox::kSlots> visible{};
    for (size_t i = 0; i < m_buttons.size(); ++i)
        visible[i] = !m_buttons[i]->isHidden();
    const int slot = messagebox::activationFocusSlot(visible, m_firstSlot);
    if (slot >= 0)
        m_buttons[static_cast<size_t>(slot)]->setFocus(Qt::ActiveWindowFocusReason);
}

bool MessageBox::pressAccessLetter(char16_t typed) {
    std::array<std::u16string, messagebox::kSlots> captions;
    std::array<std::u16string_view, messagebox::kSlots> views;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        captions[i] = m_buttons[i]->text().toStdU16String();
        views[i] = captions[i];
    }
    const int slot = messagebox::accessLetterSlot(views, typed);
    if (slot < 0)
        return false;
    onButtonClicked(slot);
    return true;
}

void MessageBox::onButtonClicked(int slot) {
    m_result = m_slotAnswer[static_cast<size_t>(slot)];
    accept();
}

void MessageBox::onTimeout() {
    reject();
}

void MessageBox::setDefaultSlot(int slot) {
    if (slot >= 0 && slot < messagebox::kSlots)
        m_firstSlot = slot;
}

int16_t showMessageBox(const MessageBoxRequest& request, DesktopServices& desktop) {
    DialogTestHook::Asked question;
    question.dialog = DialogTestHook::Dialog::MessageBox;
    question.prompt = request.prompt;
    question.style = request.style;
    question.title = request.title;
    question.picture = request.picture;
    question.message = request.message;
    if (const auto answer = DialogTestHook::takeMessageBoxAnswer(question))
        return *answer;

    // A fresh window for every call, so nothing of the previous box survives.
    auto* box = new MessageBox(request);
    if (request.sound)
        desktop.playSound(box->soundName());
    desktop.makeTopmost(box);
    if (!FramedDialog::runModal(box))
        return messagebox::answerCode(Answer::None);
    const int16_t answer = box->answer();
    delete box;
    return answer;
}

} // namespace velmora
