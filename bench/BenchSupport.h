#pragma once

#include "core/Progress.h"
#include "core/UserInterface.h"

#include <chrono>
#include <cstdio>

namespace velmora::bench {

// Answers No to every question and keeps the progress arithmetic, as an unattended run does.
class QuietUserInterface : public UserInterface {
public:
    int32_t ShowMsgBox(const std::string&, int32_t) override { return 7; }
    void reportError(const std::string& message) override { std::fprintf(stderr, "%s\n", message.c_str()); }
    void setProgressTitle(const std::string&) override {}
    void showProgress() override {}
    void ShowProgress(int32_t inc, int32_t& value, int32_t maxvalue) override {
        advanceProgress(m_bar, inc, value, maxvalue);
    }
    void closeProgress() override { m_bar = ProgressBar{}; }
    void setBusy(bool) override {}

private:
    ProgressBar m_bar;
};

// Milliseconds taken by the fastest of `runs` calls of work.
template <typename Work> double bestOf(int runs, Work&& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best)
            best = took.count();
    }
    return best;
}

} // namespace velmora::bench
