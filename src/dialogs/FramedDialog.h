#pragma once

#include <QDialog>
#include <QRect>

#include <cstdint>

class QLabel;

namespace velmora {

class TitleBar;

// Where a framed dialog puts its picture and texts, in twips. Every framed dialog has the same width and
// the same white panel across the top; the height and the places of picture, prompt and message vary.
struct FrameLayout {
    int clientHeight = 0;
    QRect picture;
    QRect prompt;
    QRect message;
};

// The window that the message box and the input box are built on: a fixed-size modal dialog with its
// own title bar (see TitleBar: no window manager's minimise or maximise), and below it a client area
// ("client") with a white panel ("Shape1") holding the picture ("imgIcon"), the bold prompt
// ("lblLabel") and a second message ("lblMessage"), and the title " " until one is given.
class FramedDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 5670;

    // Runs the modal loop of `dialog`. False when the dialog was deleted meanwhile (its owner was), so
    // that nothing may be read from it any more.
    static bool runModal(FramedDialog* dialog);

protected:
    FramedDialog(QWidget* owner, const QString& name, const FrameLayout& layout);

    // Texts and picture; an empty title keeps the one shown.
    void showContent(const QString& prompt, const QString& title, const QString& message, int32_t picture);
    // Where the dialog's controls go: the area below the title bar, as wide and high as the layout says.
    QWidget* client() const { return m_client; }

    TitleBar* m_titleBar;
    QWidget* m_client;
    QLabel* m_picture;
    QLabel* m_prompt;
    QLabel* m_message;
};

} // namespace velmora
