#pragma once

#include "core/Progress.h"
#include "core/UserInterface.h"

#include <chrono>
#include <cstdio>

namespace velmora::bench {

// Answers No to every question, types nothing and keeps the progress arithmetic, as a batch run does.
class QuietUserInterface : public UserInterface, public ProgressSink {
public:
    Answer ask(const std::string&, int32_t) override { return Answer::No; }
    void notify(const std::string&) override {}
    void reportError(const std::string& message) override { std::fprintf(stderr, "%s\n", message.c_str()); }
    std::string askText(const std::string&, const std::string&, const std::string&, bool) override { return {}; }
    std::string chooseSaveFile(const std::string&) override { return {}; }
    ProgressSink& progress() override { return *this; }
    void setBusy(bool) override {}

    void setTitle(const std::string&) override {}
    void show() override {}
    void step(int32_t increment, int32_t& value, int32_t maximum) override {
        advanceProgress(m_bar, increment, value, maximum);
    }
    int32_t quietUntil(int32_t value, int32_t maximum) const override {
        return progressQuietUntil(m_bar, value, maximum);
    }
    void close() override { m_bar = ProgressBar{}; }

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
