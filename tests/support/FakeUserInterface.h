#pragma once

#include "core/Progress.h"
#include "core/UserInterface.h"

#include <deque>
#include <string>
#include <vector>

namespace velmora::test {

// Answers questions from a queue (0 when it is empty) and records everything it is asked to show.
class FakeUserInterface : public UserInterface {
public:
    std::deque<int32_t> answers;
    std::vector<std::pair<std::string, int32_t>> asked; // prompt, buttons
    std::vector<std::string> errors;
    std::vector<std::string> events; // "title:X", "show", "close", "busy:1", "busy:0"
    int64_t progressCalls = 0;

    int32_t ShowMsgBox(const std::string& prompt, int32_t buttons) override {
        asked.emplace_back(prompt, buttons);
        if (answers.empty())
            return 0;
        const int32_t answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void reportError(const std::string& message) override { errors.push_back(message); }
    void setProgressTitle(const std::string& title) override { events.push_back("title:" + title); }
    void showProgress() override { events.push_back("show"); }
    void ShowProgress(int32_t inc, int32_t& value, int32_t maxvalue) override {
        ++progressCalls;
        advanceProgress(bar, inc, value, maxvalue);
    }
    void closeProgress() override {
        events.push_back("close");
        bar = ProgressBar{};
    }
    ProgressBar bar;
    void setBusy(bool busy) override { events.push_back(busy ? "busy:1" : "busy:0"); }
};

} // namespace velmora::test
