#include "dialogs/InputBox.h"

#include "dialogs/DialogTestHook.h"
#include "dialogs/Units.h"
#include "platform/DesktopServices.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

namespace {

// The window's layout, in twips.
constexpr FrameLayout kLayout{2580, {180, 180, 480, 480}, {840, 330, 4785, 510}, {840, 1230, 4815, 780}};
constexpr QRect kEntryPlace{825, 840, 4635, 375};
constexpr QRect kOkPlace{2910, 2055, 1260, 480};
constexpr QRect kCancelPlace{4305, 2055, 1260, 480};

// Selects its whole text each time it receives the focus, so that typing replaces what is there.
class EntryField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        selectAll();
    }
};

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QRect& place,
                        const QWidget* screenOf) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(true);
    button->setGeometry(twipsRect(place, screenOf));
    return button;
}

} // namespace

InputBox::InputBox(const InputBoxRequest& request)
    : FramedDialog(request.owner, QStringLiteral("vbInputBox"), kLayout) {
    m_entry = new EntryField(client());
    m_entry->setObjectName(QStringLiteral("txtData"));
    m_entry->setGeometry(twipsRect(kEntryPlace, request.owner));

    auto* ok = makeButton(client(), "btnOK", QStringLiteral("OK"), kOkPlace, request.owner);
    ok->setDefault(true);
    auto* cancel = makeButton(client(), "btnCancel", QStringLiteral("Cancel"), kCancelPlace, request.owner);
    connect(ok, &QPushButton::clicked, this, &InputBox::onOkClicked);
    // Cancel, Esc and the title-bar close leave the result empty.
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    showContent(request.prompt, request.title, request.message, request.picture);
    m_entry->setText(request.suggestion);
}

void InputBox::showEvent(QShowEvent* event) {
    FramedDialog::showEvent(event);
    m_entry->setFocus(Qt::ActiveWindowFocusReason);
}

void InputBox::onOkClicked() {
    m_result = m_entry->text();
    accept();
}

QString showInputBox(const InputBoxRequest& request, DesktopServices& desktop) {
    DialogTestHook::Asked question;
    question.dialog = DialogTestHook::Dialog::InputBox;
    question.prompt = request.prompt;
    question.title = request.title;
    question.suggestion = request.suggestion;
    question.picture = request.picture;
    question.message = request.message;
    if (const auto answer = DialogTestHook::takeInputBoxAnswer(question))
        return *answer;

    // A fresh window for every call, so nothing of the previous box survives.
    auto* box = new InputBox(request);
    desktop.makeTopmost(box);
    if (!FramedDialog::runModal(box))
        return {};
    QString text = box->enteredText();
    delete box;
    return text;
}

} // namespace velmora
