#pragma once

#include "platform/Win32Desktop.h"

#include <string>
#include <vector>

namespace velmora {

// The Win32 desktop for tests: file dialogs answer from queues, everything else is recorded.
class FakeWin32Desktop : public Win32Desktop {
public:
    std::vector<std::string> openAnswers; // answers of chooseOpenFile, in order; then ""
    std::vector<std::string> saveAnswers;
    std::vector<Win32FileDialogRequest> dialogRequests;
    std::vector<std::string> calls; // "editor:<path>", "folder:<path>", "address:<a>", "sound:<name>", "topmost"

    std::string chooseOpenFile(const Win32FileDialogRequest& request) override { return answer(request, openAnswers); }
    std::string chooseSaveFile(const Win32FileDialogRequest& request) override { return answer(request, saveAnswers); }
    void openInTextEditor(const std::string& path) override { calls.push_back("editor:" + path); }
    void openFolder(const std::string& path) override { calls.push_back("folder:" + path); }
    void openAddress(const std::string& address) override { calls.push_back("address:" + address); }
    void playSound(const std::string& eventName) override { calls.push_back("sound:" + eventName); }
    void makeTopmost(HWND) override { calls.push_back("topmost"); }

private:
    std::string answer(const Win32FileDialogRequest& request, std::vector<std::string>& queue) {
        dialogRequests.push_back(request);
        if (queue.empty())
            return {};
        std::string next = queue.front();
        queue.erase(queue.begin());
        return next;
    }
};

} // namespace velmora
