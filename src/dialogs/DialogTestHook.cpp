#include "dialogs/DialogTestHook.h"

#include <deque>

namespace velmora::DialogTestHook {

namespace {

struct State {
    std::deque<int32_t> msgBoxAnswers;
    std::deque<QString> inputBoxAnswers;
    std::vector<Asked> asked;
};

State& state() {
    static State instance;
    return instance;
}

} // namespace

void queueMsgBoxAnswer(int32_t answer) {
    state().msgBoxAnswers.push_back(answer);
}

void queueInputBoxAnswer(const QString& answer) {
    state().inputBoxAnswers.push_back(answer);
}

bool active() {
    return !state().msgBoxAnswers.empty() || !state().inputBoxAnswers.empty();
}

const std::vector<Asked>& asked() {
    return state().asked;
}

void reset() {
    state() = State{};
}

std::optional<int32_t> takeMsgBoxAnswer(const Asked& question) {
    auto& answers = state().msgBoxAnswers;
    if (answers.empty())
        return std::nullopt;
    const int32_t answer = answers.front();
    answers.pop_front();
    state().asked.push_back(question);
    return answer;
}

std::optional<QString> takeInputBoxAnswer(const Asked& question) {
    auto& answers = state().inputBoxAnswers;
    if (answers.empty())
        return std::nullopt;
    QString answer = answers.front();
    answers.pop_front();
    state().asked.push_back(question);
    return answer;
}

} // namespace velmora::DialogTestHook
