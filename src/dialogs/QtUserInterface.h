#pragma once

#include "core/UserInterface.h"

class QWidget;

namespace velmora {

// The user interface of the window: the message box, the progress window and the busy pointer,
// owned by a main window (or by none, for the unattended modes run with a display).
class QtUserInterface : public UserInterface {
public:
    explicit QtUserInterface(QWidget* owner = nullptr);

    int32_t ShowMsgBox(const std::string& prompt, int32_t buttons) override;
    void reportError(const std::string& message) override;
    void setProgressTitle(const std::string& title) override;
    void showProgress() override;
    void ShowProgress(int32_t inc, int32_t& value, int32_t maxvalue) override;
    void closeProgress() override;
    void setBusy(bool busy) override;

    void setOwner(QWidget* owner) { m_owner = owner; }

private:
    QWidget* m_owner;
};

} // namespace velmora
