#include "dialogs/vbMsgBox.h"

#include "dialogs/DialogTestHook.h"
#include "dialogs/MsgBoxTables.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace velmora {

namespace dialogkit {

namespace {

QString chooseFontFamily() {
    const QStringList families = QFontDatabase::families();
    const auto installed = [&families](const QString& family) {
        return families.contains(family, Qt::CaseInsensitive);
    };
    const QString tahoma = QStringLiteral("Tahoma");
    if (installed(tahoma))
        return tahoma;
    // Wine ships a Tahoma-metric face outside the fontconfig path; take it in for this process. Only
    // the regular face: Wine's bold file has regular-weight outlines on bold spacing, while the
    // emboldened regular face reads as bold and stays narrower.
    bool loaded = false;
    for (const char* path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/lib/wine/fonts/tahoma.ttf",
                             "/opt/wine-stable/share/wine/fonts/tahoma.ttf"}) {
        if (!loaded && QFile::exists(QString::fromLatin1(path)))
            loaded = QFontDatabase::addApplicationFont(QString::fromLatin1(path)) >= 0;
    }
    if (loaded && QFontDatabase::families().contains(tahoma, Qt::CaseInsensitive))
        return tahoma;
    // Otherwise sans-serif faces no wider than Tahoma first, so that word-wrapped texts and button
    // captions stay inside their fixed boxes.
    for (const char* family : {"Liberation Sans", "Arimo", "Arial", "Nimbus Sans", "Helvetica", "Noto Sans",
                               "DejaVu Sans Condensed", "DejaVu Sans"}) {
        if (installed(QString::fromLatin1(family)))
            return QString::fromLatin1(family);
    }
    QFont any;
    any.setStyleHint(QFont::SansSerif);
    return QFontInfo(any).family();
}

double dotsPerInch(const QWidget* widget, bool horizontal) {
    const QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96.0;
    return horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
}

} // namespace

QFont dialogFont(qreal pointSize, bool bold) {
    static const QString family = chooseFontFamily();
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QPixmap dialogPicture(int64_t number) {
    static const bool builtIn = [] {
        QDir::addSearchPath(QStringLiteral("velmora-pictures"), QStringLiteral(":/icons"));
        return true;
    }();
    (void)builtIn;
    return QPixmap(QStringLiteral("velmora-pictures:%1.png").arg(number + 100));
}

int toPixelsX(double twips, const QWidget* widget) {
    return twipsToPixels(twips, dotsPerInch(widget, true));
}

QRect toPixels(const TwipsRect& rect, const QWidget* widget) {
    const double x = dotsPerInch(widget, true), y = dotsPerInch(widget, false);
    return {twipsToPixels(rect.left, x), twipsToPixels(rect.top, y), twipsToPixels(rect.width, x),
            twipsToPixels(rect.height, y)};
}

} // namespace dialogkit

namespace {

// Design values of the window, in twips.
constexpr double kClientWidth = 5670;
constexpr double kClientHeight = 2655;
constexpr TwipsRect kShape1{-30, -15, 5715, 1995};
constexpr TwipsRect kIcon{195, 240, 480, 480};
constexpr TwipsRect kLabel{840, 330, 4800, 1560};
constexpr TwipsRect kMessage{840, 840, 4785, 1110};
constexpr double kSlotLeft0 = 135;
constexpr double kSlotPitch = 1395;
constexpr double kSlotTop = 2055;
constexpr double kSlotWidth = 1260;
constexpr double kSlotHeight = 480;
constexpr qreal kTextPoints = 9.75;
constexpr qreal kButtonPoints = 8.25;

TwipsRect slotRect(int slot) {
    return {kSlotLeft0 + kSlotPitch * slot, kSlotTop, kSlotWidth, kSlotHeight};
}

QLabel* makeLabel(QWidget* parent, const char* name, bool bold) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(dialogkit::dialogFont(kTextPoints, bold));
    return label;
}

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

vbMsgBox::vbMsgBox(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("vbMsgBox"));
    setWindowTitle(QStringLiteral(" "));
    setModal(true);
    setSizeGripEnabled(false);
    setFont(dialogkit::dialogFont(kButtonPoints, false));
    setFixedSize(dialogkit::toPixels({0, 0, kClientWidth, kClientHeight}, owner).size());

    // The text area: a panel in the base colour whose lower edge sets it off from the button row.
    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setStyleSheet(QStringLiteral("#Shape1 { background: palette(base); border: 1px solid palette(mid); }"));
    Shape1->setGeometry(dialogkit::toPixels(kShape1, owner));

    imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgIcon->setGeometry(dialogkit::toPixels(kIcon, owner));

    lblLabel = makeLabel(this, "lblLabel", true);
    lblLabel->setGeometry(dialogkit::toPixels(kLabel, owner));
    lblMessage = makeLabel(this, "lblMessage", false);
    lblMessage->setGeometry(dialogkit::toPixels(kMessage, owner));

    for (int i = 0; i < msgbox::kSlots; ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("btnSel%1").arg(i));
        button->setProperty("index", i);
        button->setAutoDefault(true);
        button->setGeometry(dialogkit::toPixels(slotRect(i), owner));
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, i] { btnSel_Click(i); });
        btnSel[static_cast<size_t>(i)] = button;
    }
    applyTabOrder();

    tmrTimer = new QTimer(this);
    tmrTimer->setObjectName(QStringLiteral("tmrTimer"));
    tmrTimer->setSingleShot(true);
    connect(tmrTimer, &QTimer::timeout, this, &vbMsgBox::tmrTimer_Timer);

    installEventFilter(this);
    iResult = msgbox::kResultNone;
}

int32_t vbMsgBox::ShowMsgBox(const QString& PromptText, int32_t Buttons, const QString& Title, const QString& text,
                             const std::array<QString, 4>& captions, int32_t Icon, int16_t DefaultButton,
                             int16_t CancelButton, bool UseSound, int16_t CloseTimer) {
    const QWidget* screenOf = parentWidget();

    // 1-3: texts, the starting sound, the auto-close delay (counted from here; 0 or less never fires).
    lblLabel->setText(PromptText);
    lblMessage->setText(text);
    m_soundName = toQString(msgbox::kDefaultSound);
    if (CloseTimer > 0)
        tmrTimer->start(CloseTimer);

    // 4: with a second message the prompt becomes a bold heading ending where the message begins.
    QRect label = dialogkit::toPixels(kLabel, screenOf);
    if (!text.isEmpty())
        label.setHeight(dialogkit::toPixels({0, 0, 0, kMessage.top - kLabel.top}, screenOf).height());
    lblLabel->setGeometry(label);
    QFont labelFont = lblLabel->font();
    labelFont.setBold(!text.isEmpty());
    lblLabel->setFont(labelFont);

    // 5
    if (!Title.isEmpty())
        setWindowTitle(Title);

    // 6-7: every slot hidden and without flags; slot 0 back at its design place.
    for (size_t i = 0; i < btnSel.size(); ++i) {
        btnSel[i]->hide();
        btnSel[i]->setText(QString());
        btnSel[i]->setDefault(false);
        m_slotResultTable[i] = static_cast<int16_t>(i + 1);
    }
    setCancelSlot(-1);
    btnSel[0]->setGeometry(dialogkit::toPixels(slotRect(0), screenOf));

    // 8-9: custom captions, moved for the groups of two and three.
    std::array<bool, msgbox::kSlots> given{};
    for (size_t k = 0; k < captions.size(); ++k)
        given[k] = !captions[k].isEmpty();
    const msgbox::CaptionPlacement placement = msgbox::placeCustomCaptions(given);
    m_slotResultTable = placement.slotResult;
    for (size_t i = 0; i < btnSel.size(); ++i) {
        const int k = placement.captionForSlot[i];
        if (k < 0)
            continue;
        btnSel[i]->setText(captions[static_cast<size_t>(k)]);
        btnSel[i]->show();
        m_slotCode[i] = m_slotResultTable[i];
    }

    // 10: the standard buttons of the set, its focus order, picture and sound.
    const msgbox::ButtonSet set = msgbox::decodeButtons(Buttons);
    const msgbox::SlotFill fill = msgbox::fillStandardButtons(set, given);
    for (size_t i = 0; i < btnSel.size(); ++i) {
        if (fill.filled[i].caption.empty())
            continue;
        btnSel[i]->setText(toQString(fill.filled[i].caption));
        btnSel[i]->show();
        m_slotCode[i] = fill.filled[i].result;
    }
    if (fill.centreSlot0) {
        const int left = dialogkit::toPixelsX(msgbox::centredLeft(kClientWidth, kSlotWidth), screenOf);
        btnSel[0]->move(left, btnSel[0]->y());
    }
    if (fill.defaultSlot >= 0)
        btnSel[static_cast<size_t>(fill.defaultSlot)]->setDefault(true);
    setCancelSlot(fill.cancelSlot);
    SetDefaultButton(set.focusSlot);
    int64_t picture = Icon;
    if (set.picture >= 0)
        picture = set.picture;
    if (set.group != msgbox::ButtonGroup::None)
        m_soundName = toQString(set.sound);

    // 11: a missing picture leaves the area empty.
    imgIcon->setPixmap(dialogkit::dialogPicture(picture));

    // 12-13
    if (DefaultButton >= 0 && DefaultButton <= 3)
        SetDefaultButton(DefaultButton);
    if (CancelButton >= 0 && CancelButton <= 3)
        setCancelSlot(CancelButton);

    // 14-15: the sound is started, never waited for.
    if (UseSound)
        systemPlatform().playSound(m_soundName.toStdString());
    systemPlatform().makeTopmost(this);

    // 16-17
    exec();
    return iResult;
}

bool vbMsgBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == this || watched->parent() == this)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->text().isEmpty() && Form_KeyPress(key->text().at(0).unicode()))
            return true;
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            // Esc presses the cancel slot; with none (or a hidden one) it does nothing at all.
            if (m_cancelSlot >= 0 && !btnSel[static_cast<size_t>(m_cancelSlot)]->isHidden())
                btnSel[static_cast<size_t>(m_cancelSlot)]->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void vbMsgBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        Form_Activate();
    }
}

void vbMsgBox::Form_Activate() {
    std::array<bool, msgbox::kSlots> visible{};
    for (size_t i = 0; i < btnSel.size(); ++i)
        visible[i] = !btnSel[i]->isHidden();
    const int slot = msgbox::activationFocusSlot(visible, m_tabPosition);
    if (slot >= 0)
        btnSel[static_cast<size_t>(slot)]->setFocus(Qt::ActiveWindowFocusReason);
}

bool vbMsgBox::Form_KeyPress(char16_t KeyAscii) {
    std::array<std::u16string, msgbox::kSlots> captions;
    std::array<std::u16string_view, msgbox::kSlots> views;
    for (size_t i = 0; i < btnSel.size(); ++i) {
        captions[i] = btnSel[i]->text().toStdU16String();
        views[i] = captions[i];
    }
    const int slot = msgbox::accessLetterSlot(views, KeyAscii);
    if (slot < 0)
        return false;
    btnSel_Click(slot);
    return true;
}

void vbMsgBox::btnSel_Click(int Index) {
    iResult = m_slotCode[static_cast<size_t>(Index)];
    tmrTimer->stop();
    accept();
}

void vbMsgBox::tmrTimer_Timer() {
    reject();
}

void vbMsgBox::SetDefaultButton(int slot) {
    m_tabPosition = msgbox::tabPositionsAfter(slot, m_tabPosition);
    applyTabOrder();
}

void vbMsgBox::setCancelSlot(int slot) {
    m_cancelSlot = slot;
}

void vbMsgBox::applyTabOrder() {
    std::array<QPushButton*, msgbox::kSlots> ordered{};
    for (size_t i = 0; i < btnSel.size(); ++i)
        ordered[static_cast<size_t>(m_tabPosition[i])] = btnSel[i];
    for (size_t i = 0; i + 1 < ordered.size(); ++i)
        setTabOrder(ordered[i], ordered[i + 1]);
}

int32_t ShowMsgBox(const QString& PromptText, int32_t Buttons, const QString& Title, const QString& text,
                   const QString& Button1, const QString& Button2, const QString& Button3, const QString& Button4,
                   int32_t Icon, QWidget* Owner, int16_t DefaultButton, int16_t CancelButton, bool UseSound,
                   int16_t CloseTimer) {
    DialogTestHook::Asked question;
    question.dialog = DialogTestHook::Dialog::MsgBox;
    question.prompt = PromptText;
    question.buttons = Buttons;
    question.title = Title;
    question.icon = Icon;
    question.text = text;
    if (const auto answer = DialogTestHook::takeMsgBoxAnswer(question))
        return *answer;

    // A fresh window for every call, so nothing of the previous box survives.
    QPointer<vbMsgBox> box = new vbMsgBox(Owner);
    const int32_t result = box->ShowMsgBox(PromptText, Buttons, Title, text, {Button1, Button2, Button3, Button4}, Icon,
                                           DefaultButton, CancelButton, UseSound, CloseTimer);
    delete box.data();
    return result;
}

} // namespace velmora
