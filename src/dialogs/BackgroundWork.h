#pragma once

#include "platform/Downloader.h"
#include "platform/ProcessRunner.h"

namespace velmora {

class QtUserInterface;

// A download for the window: the transfer waits on a thread of its own while the window's thread goes on
// taking events (the windows repaint and move, Cancel is pressed). Only the wait goes there: each piece
// of the body, and each step of progress, is handed back to the window's thread, where the document's
// own work on it runs as it would without a thread. The progress window shows the bytes received, of
// how many when the length is known.
class BackgroundDownloader : public Downloader {
public:
    BackgroundDownloader(Downloader& inner, QtUserInterface& ui) : m_inner(inner), m_ui(ui) {}
    DownloadResponse get(const DownloadRequest& request,
                         const std::function<void(uint64_t received, uint64_t total)>& progress) override;
    void prepare() override { m_inner.prepare(); }

private:
    Downloader& m_inner;
    QtUserInterface& m_ui;
};

// Saving as administrator for the window: the wait for pkexec (the password prompt, then the helper)
// is on a thread of its own, under a progress window that says what is awaited and takes the window's
// input for itself meanwhile. The prompt's own Cancel is the way out: pkexec is another user's program
// once it runs, which this one may not stop.
class BackgroundProcessRunner : public ProcessRunner {
public:
    BackgroundProcessRunner(ProcessRunner& inner, QtUserInterface& ui) : m_inner(inner), m_ui(ui) {}
    ProcessResult run(const std::string& program, const std::vector<std::string>& arguments,
                      std::string_view input) override {
        return m_inner.run(program, arguments, input);
    }
    ProcessResult runAsAdministrator(const std::vector<std::string>& command, std::string_view input) override;

private:
    ProcessRunner& m_inner;
    QtUserInterface& m_ui;
};

} // namespace velmora
