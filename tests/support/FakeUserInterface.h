#pragma once

#include "core/Progress.h"
#include "core/UserInterface.h"
#include "document/HostsDocument.h"
#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace velmora::test {

// Answers questions and text prompts from queues (None and "" when empty) and records everything it
// is asked to show, in order.
class FakeUserInterface : public UserInterface, public ProgressSink {
public:
    std::deque<Answer> answers;
    std::deque<std::string> texts;
    std::deque<std::string> saveFiles;
    // "ask:<style>:<question>", "notify:<m>", "error:<m>", "text:<title>:<prompt>:<suggestion>"
    std::vector<std::string> shown;
    std::vector<std::string> events; // "title:X", "cancel offered", "show", "close", "busy:1", "busy:0"
    int64_t steps = 0;
    ProgressBar bar;
    std::atomic<bool>* cancel = nullptr; // the Cancel the work under way offers
    bool pressCancel = false;            // the user presses it as soon as the work waits

    Answer ask(const std::string& question, int32_t style) override {
        shown.push_back("ask:" + std::to_string(style) + ":" + question);
        return next(answers, Answer::None);
    }
    void notify(const std::string& message) override { shown.push_back("notify:" + message); }
    void reportError(const std::string& message) override { shown.push_back("error:" + message); }
    std::string askText(const std::string& prompt, const std::string& title, const std::string& suggestion,
                        bool) override {
        shown.push_back("text:" + title + ":" + prompt + ":" + suggestion);
        return next(texts, std::string());
    }
    std::string chooseSaveFile(const std::string& suggestedPath) override {
        shown.push_back("save:" + suggestedPath);
        return next(saveFiles, std::string());
    }
    ProgressSink& progress() override { return *this; }
    void setBusy(bool busy) override { events.push_back(busy ? "busy:1" : "busy:0"); }

    void setTitle(const std::string& title) override { events.push_back("title:" + title); }
    void show() override { events.push_back("show"); }
    void step(int32_t increment, int32_t& value, int32_t maximum) override {
        ++steps;
        advanceProgress(bar, increment, value, maximum);
    }
    void close() override {
        events.push_back("close");
        bar = ProgressBar{};
        cancel = nullptr;
    }
    void offerCancel(std::atomic<bool>& flag) override {
        events.push_back("cancel offered");
        cancel = &flag;
    }
    void idle() override {
        if (pressCancel && cancel)
            cancel->store(true);
    }

private:
    template <typename T> static T next(std::deque<T>& queue, T empty) {
        if (queue.empty())
            return empty;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

// The time the documents of the tests live at, and its "# updated: " note.
inline constexpr int64_t kTestNow = 1796533323;
inline constexpr const char* kTestUpdated = "# updated: 2026-12-06T05:02:03Z";

// A document on fakes, the HOSTS file named in a temporary folder, lines ending in CR LF, its clock at
// kTestNow: what the document and command-line tests start from.
class DocumentFixture : public ::testing::Test {
protected:
    DocumentFixture() {
        environment.variables["VELMORA_HOSTS"] = hosts;
        document.setLineConvention(LineConvention::Windows);
        document.setClock([] { return kTestNow; });
    }
    // Merges the list of these bytes.
    MergeResult merge(const std::string& list) {
        writeFile(listPath, list);
        document.setSourcePath(listPath);
        return document.merge();
    }

    TempDir dir;
    std::string hosts = dir.file("hosts");
    std::string listPath = dir.file("list.txt");
    FakeFileSystem files;
    FakeEnvironment environment;
    FakeUserInterface ui;
    HostsDocument document{files, environment, ui};
};

} // namespace velmora::test
