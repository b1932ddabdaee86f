#include "dialogs/vbInputBox.h"

#include "dialogs/DialogTestHook.h"
#include "dialogs/InputBoxLogic.h"
#include "dialogs/vbMsgBox.h"
#include "platform/Platform.h"

#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

namespace velmora {

namespace {

// Design values of the window, in twips.
constexpr double kClientWidth = 5670;
constexpr double kClientHeight = 2580;
constexpr TwipsRect kShape1{-30, -15, 5715, 1995};
constexpr TwipsRect kIcon{180, 180, 480, 480};
constexpr TwipsRect kLabel{840, 330, 4785, 510};
constexpr TwipsRect kData{825, 840, 4635, 375};
constexpr TwipsRect kMessage{840, 1230, 4815, 780};
constexpr TwipsRect kOK{2910, 2055, 1260, 480};
constexpr TwipsRect kCancel{4305, 2055, 1260, 480};
constexpr qreal kTextPoints = 9.75;
constexpr qreal kWindowPoints = 8.25;

// The entry field: filters typed characters by the box's mode, and selects its whole text each time it
// receives the focus, so that typing replaces what is there.
class EntryField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    bool numeric = false;
    bool upperCase = false;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        selectAll();
    }

    void keyPressEvent(QKeyEvent* event) override {
        // Keys that move or edit rather than type, and the dialog's own keys, are not filtered.
        static constexpr int kNotTyped[] = {Qt::Key_Return, Qt::Key_Enter,   Qt::Key_Escape,
                                            Qt::Key_Tab,    Qt::Key_Backtab, Qt::Key_Delete};
        const QString typed = event->text();
        if (typed.isEmpty() ||
            std::find(std::begin(kNotTyped), std::end(kNotTyped), event->key()) != std::end(kNotTyped)) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        QString filtered;
        bool changed = false;
        for (const char32_t code : typed.toUcs4()) {
            const QString character = QString::fromUcs4(&code, 1);
            switch (inputbox::filterTyped(code, numeric, upperCase)) {
            case inputbox::Typed::Pass:
                filtered += character;
                break;
            case inputbox::Typed::Upper:
                filtered += character.toUpper();
                changed = changed || character.toUpper() != character;
                break;
            case inputbox::Typed::Discard:
                changed = true;
                break;
            }
        }
        if (!changed) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        if (!filtered.isEmpty())
            insert(filtered);
        event->accept();
    }
};

QLabel* makeLabel(QWidget* parent, const char* name, bool bold, const TwipsRect& rect, const QWidget* screenOf) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(dialogkit::dialogFont(kTextPoints, bold));
    label->setGeometry(dialogkit::toPixels(rect, screenOf));
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const TwipsRect& rect,
                        const QWidget* screenOf) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(true);
    button->setGeometry(dialogkit::toPixels(rect, screenOf));
    return button;
}

} // namespace

vbInputBox::vbInputBox(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("vbInputBox"));
    setWindowTitle(QStringLiteral(" "));
    setModal(true);
    setFont(dialogkit::dialogFont(kWindowPoints, false));
    setFixedSize(dialogkit::toPixels({0, 0, kClientWidth, kClientHeight}, owner).size());

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setStyleSheet(QStringLiteral("#Shape1 { background: palette(base); border: 1px solid palette(mid); }"));
    Shape1->setGeometry(dialogkit::toPixels(kShape1, owner));

    imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgIcon->setGeometry(dialogkit::toPixels(kIcon, owner));

    lblLabel = makeLabel(this, "lblLabel", true, kLabel, owner);
    txtData = new EntryField(this);
    txtData->setObjectName(QStringLiteral("txtData"));
    txtData->setGeometry(dialogkit::toPixels(kData, owner));
    lblMessage = makeLabel(this, "lblMessage", false, kMessage, owner);

    btnOK = makeButton(this, "btnOK", QStringLiteral("OK"), kOK, owner);
    btnOK->setDefault(true);
    btnCancel = makeButton(this, "btnCancel", QStringLiteral("Cancel"), kCancel, owner);
    setTabOrder(txtData, btnOK);
    setTabOrder(btnOK, btnCancel);
    connect(btnOK, &QPushButton::clicked, this, &vbInputBox::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &vbInputBox::btnCancel_Click);
    // Esc and the title-bar close leave the result empty, like Cancel.

    m_result.clear();
    m_numeric = false;
}

QString vbInputBox::ShowInputBox(const QString& PromptText, const QString& Title, const QString& Default,
                                 const QString& text, int32_t Icon, bool Numeric, bool UpperCase) {
    lblLabel->setText(PromptText);
    lblMessage->setText(text);
    m_numeric = Numeric;
    m_upperCase = UpperCase;
    auto* field = static_cast<EntryField*>(txtData);
    field->numeric = Numeric;
    field->upperCase = UpperCase;
    txtData->setText(Default);
    if (!Title.isEmpty())
        setWindowTitle(Title);
    imgIcon->setPixmap(dialogkit::dialogPicture(Icon));
    systemPlatform().makeTopmost(this);

    exec();

    if (m_upperCase)
        return m_result.toUpper();
    if (m_numeric)
        return QString::fromStdString(inputbox::numberText(m_result.toStdString()));
    return m_result;
}

void vbInputBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    txtData->setFocus(Qt::ActiveWindowFocusReason);
    txtData->selectAll();
}

void vbInputBox::btnOK_Click() {
    m_result = txtData->text();
    accept();
}

void vbInputBox::btnCancel_Click() {
    m_result.clear();
    reject();
}

QString ShowInputBox(const QString& PromptText, const QString& Title, const QString& Default, const QString& text,
                     int32_t Icon, QWidget* Owner, bool Numeric, bool UpperCase) {
    DialogTestHook::Asked question;
    question.dialog = DialogTestHook::Dialog::InputBox;
    question.prompt = PromptText;
    question.title = Title;
    question.defaultText = Default;
    question.icon = Icon;
    question.text = text;
    if (const auto answer = DialogTestHook::takeInputBoxAnswer(question))
        return *answer;

    // A fresh window for every call, so nothing of the previous box survives.
    QPointer<vbInputBox> box = new vbInputBox(Owner);
    const QString result = box->ShowInputBox(PromptText, Title, Default, text, Icon, Numeric, UpperCase);
    delete box.data();
    return result;
}

} // namespace velmora
