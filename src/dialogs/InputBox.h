#pragma once

#include "dialogs/DialogLook.h"
#include "dialogs/FramedDialog.h"

#include <QString>

#include <cstdint>

class QLineEdit;

namespace velmora {

class DesktopServices;

// What an input box asks.
struct InputBoxRequest {
    QString prompt{};
    QString title{};      // empty keeps the blank title
    QString suggestion{}; // the text the field starts with, all selected so that typing replaces it
    QString message{};    // a second text below the field
    int32_t picture = DialogPicture::Note;
    QWidget* owner = nullptr;
};

// Asks for one line of text on a fresh window and waits until it closes. Returns the text entered
// when the user chose OK (or Enter); Cancel, Esc, closing the window or the owner's deletion return an
// empty text. The window is kept above all others.
// When DialogTestHook holds a queued input-box answer, that answer is returned and nothing is shown.
QString showInputBox(const InputBoxRequest& request, DesktopServices& desktop);

// The input box window: the field "txtData" and the buttons "btnOK" and "btnCancel".
class InputBox : public FramedDialog {
    Q_OBJECT
public:
    explicit InputBox(const InputBoxRequest& request);

    // The text the user confirmed; empty until OK is pressed.
    const QString& enteredText() const { return m_result; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onOkClicked();

    QLineEdit* m_entry;
    QString m_result;
};

} // namespace velmora
