#pragma once

#include "dialogs/Twips.h"

#include <QDialog>
#include <QFont>
#include <QPixmap>
#include <QString>

#include <array>
#include <cstdint>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace velmora {

// Shows a message box and waits until it closes. Returns the code of the button that closed it:
// 1 OK, 2 Cancel, 4 Retry, 6 Yes, 7 No, K for the custom caption given as ButtonK, and 0 when the box
// closed without a button press (CloseTimer elapsed, or the window was closed).
//
// Buttons picks the standard buttons, the picture, the sound and the focused button from a fixed
// list of values (64: OK with the information picture; 3: Yes, No, Cancel; 292: Yes, No, question,
// No focused; ...); any other value shows no standard button. Button1..Button4 are custom captions
// (three or two of them are moved right so that they do not start at the far left). DefaultButton
// and CancelButton (slot numbers 0..3, counted after that move) choose the focused slot and the
// slot that Esc presses; other values are ignored. CloseTimer > 0 closes the box after that many
// milliseconds. Every call builds a fresh window; nothing is kept from the previous call.
// When DialogTestHook holds a queued message-box answer, that answer is returned and nothing is shown.
int32_t ShowMsgBox(const QString& PromptText, int32_t Buttons = 64, const QString& Title = QString(),
                   const QString& text = QString(), const QString& Button1 = QString(),
                   const QString& Button2 = QString(), const QString& Button3 = QString(),
                   const QString& Button4 = QString(), int32_t Icon = 4, QWidget* Owner = nullptr,
                   int16_t DefaultButton = -1, int16_t CancelButton = -1, bool UseSound = true, int16_t CloseTimer = 0);

// Helpers shared by the dialog kit's windows.
namespace dialogkit {

// The kit's text font: Tahoma where the system has it, otherwise the closest sans-serif found (a face
// no wider than Tahoma, so that texts stay inside their fixed boxes).
QFont dialogFont(qreal pointSize, bool bold);

// Picture `number` (0 information, 1 critical, 2 exclamation, 3 question, 4 note), which is the
// program's picture resource number + 100. Pictures are looked up under the Qt search-path prefix
// "velmora-pictures", which always includes the built-in ":/icons". A null pixmap when there is none.
QPixmap dialogPicture(int64_t number);

// A design rectangle in pixels at the logical DPI of the screen that `widget` is on.
QRect toPixels(const TwipsRect& rect, const QWidget* widget);
int toPixelsX(double twips, const QWidget* widget);

} // namespace dialogkit

// The message box window. Controls carry their design names as object names: "lblLabel",
// "lblMessage", "imgIcon", "Shape1", "tmrTimer" and the four slots "btnSel0".."btnSel3" (left to
// right; each also has the property "index" with its slot number).
class vbMsgBox : public QDialog {
    Q_OBJECT
public:
    // Form_Load: the design values, iResult 0.
    explicit vbMsgBox(QWidget* owner = nullptr);

    // Steps of ShowMsgBox on this window; shows it modally and returns iResult.
    int32_t ShowMsgBox(const QString& PromptText, int32_t Buttons, const QString& Title, const QString& text,
                       const std::array<QString, 4>& captions, int32_t Icon, int16_t DefaultButton,
                       int16_t CancelButton, bool UseSound, int16_t CloseTimer);

    int16_t iResult = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Activate();
    bool Form_KeyPress(char16_t KeyAscii);
    void btnSel_Click(int Index);
    void tmrTimer_Timer();
    void SetDefaultButton(int slot);
    void setCancelSlot(int slot);
    void applyTabOrder();

    QFrame* Shape1;
    QLabel* imgIcon;
    QLabel* lblLabel;
    QLabel* lblMessage;
    std::array<QPushButton*, 4> btnSel{};
    QTimer* tmrTimer;

    std::array<int16_t, 4> m_slotCode{};        // result code of each slot
    std::array<int16_t, 4> m_slotResultTable{}; // result codes that custom captions receive, by slot
    std::array<int, 4> m_tabPosition{0, 1, 2, 3};
    int m_cancelSlot = -1;
    QString m_soundName;
    bool m_activated = false;
};

} // namespace velmora
