#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

// Asks for one line of text and waits until the box closes. Returns the text entered when the user
// chose OK (Enter), converted by the mode: UpperCase -> the text in upper case; else Numeric -> the
// number at the start of the text in its shortest decimal form ("0" when there is none); else the
// text as entered. Cancel, Esc or closing the window returns an empty text, or "0" in Numeric mode.
// The entry field starts with Default (not filtered); typed characters are filtered by the mode:
// UpperCase turns them to upper case (and wins over Numeric), Numeric lets through only digits, '-',
// '.' and backspace. Icon selects picture Icon + 100 (see dialogkit::dialogPicture); a missing
// picture leaves the icon area empty. Every call builds a fresh window.
// When DialogTestHook holds a queued input-box answer, that answer is returned as queued and nothing is
// shown.
QString ShowInputBox(const QString& PromptText, const QString& Title = QString(), const QString& Default = QString(),
                     const QString& text = QString(), int32_t Icon = 4, QWidget* Owner = nullptr, bool Numeric = false,
                     bool UpperCase = false);

// The input box window. Controls carry their design names as object names: "lblLabel", "txtData",
// "lblMessage", "imgIcon", "Shape1", "btnOK", "btnCancel".
class vbInputBox : public QDialog {
    Q_OBJECT
public:
    // Form_Load: the design values, an empty result, both modes off.
    explicit vbInputBox(QWidget* owner = nullptr);

    // Steps of ShowInputBox on this window; shows it modally and returns the converted result.
    QString ShowInputBox(const QString& PromptText, const QString& Title, const QString& Default, const QString& text,
                         int32_t Icon, bool Numeric, bool UpperCase);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void btnOK_Click();
    void btnCancel_Click();

    QFrame* Shape1;
    QLabel* imgIcon;
    QLabel* lblLabel;
    QLineEdit* txtData;
    QLabel* lblMessage;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    QString m_result;
    bool m_numeric = false;
    bool m_upperCase = false;
};

} // namespace velmora
