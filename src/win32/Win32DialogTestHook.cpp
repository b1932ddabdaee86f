#include "win32/Win32DialogTestHook.h"

#include <deque>

namespace velmora::win32::DialogTestHook {

namespace {

struct State {
    std::deque<int16_t> messageBoxAnswers;
    std::deque<std::wstring> inputBoxAnswers;
    std::vector<Asked> asked;
};

State& state() {
    static State instance;
    return instance;
}

template <typename T> std::optional<T> take(std::deque<T>& answers, const Asked& question) {
    if (answers.empty())
        return std::nullopt;
    T answer = answers.front();
    answers.pop_front();
    state().asked.push_back(question);
    return answer;
}

} // namespace

void queueMessageBoxAnswer(int16_t answer) {
    state().messageBoxAnswers.push_back(answer);
}

void queueInputBoxAnswer(const std::wstring& answer) {
    state().inputBoxAnswers.push_back(answer);
}

bool active() {
    return !state().messageBoxAnswers.empty() || !state().inputBoxAnswers.empty();
}

const std::vector<Asked>& asked() {
    return state().asked;
}

void reset() {
    state() = State{};
}

std::optional<int16_t> takeMessageBoxAnswer(const Asked& question) {
    return take(state().messageBoxAnswers, question);
}

std::optional<std::wstring> takeInputBoxAnswer(const Asked& question) {
    return take(state().inputBoxAnswers, question);
}

} // namespace velmora::win32::DialogTestHook
