#include "dialogs/BackgroundWork.h"

#include "dialogs/QtUserInterface.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace velmora {

namespace {
// Body received but not yet written, at most: a transfer faster than the disk waits for it.
constexpr size_t kMaxQueuedBytes = size_t{4} << 20;

// What the transfer's thread hands to the window's thread.
struct Handover {
    std::mutex mutex;
    std::condition_variable room;
    std::deque<std::string> pieces;
    size_t queued = 0;
    bool refused = false; // the window's thread refused a piece: the transfer ends
    uint64_t received = 0;
    uint64_t total = 0;
};
} // namespace

DownloadResponse BackgroundDownloader::get(const DownloadRequest& request,
                                           const std::function<void(uint64_t, uint64_t)>& progress) {
    Handover handover;
    const auto cancelled = [&request] { return request.cancel && request.cancel->load(); };
    DownloadRequest beside = request;
    if (request.onBody) {
        beside.onBody = [&](std::string_view piece) {
            std::unique_lock lock(handover.mutex);
            handover.room.wait(lock,
                               [&] { return handover.queued < kMaxQueuedBytes || handover.refused || cancelled(); });
            if (handover.refused || cancelled())
                return false;
            handover.pieces.emplace_back(piece);
            handover.queued += piece.size();
            return true;
        };
    }
    const auto besideProgress = [&](uint64_t received, uint64_t total) {
        const std::lock_guard lock(handover.mutex);
        handover.received = received;
        handover.total = total;
    };
    uint64_t shownReceived = 0, shownTotal = 0;
    bool shown = false;
    // On the window's thread: the pieces go where the caller wants them, and progress is shown.
    const auto takeOver = [&] {
        std::deque<std::string> pieces;
        uint64_t received = 0, total = 0;
        {
            const std::lock_guard lock(handover.mutex);
            pieces.swap(handover.pieces);
            handover.queued = 0;
            received = handover.received;
            total = handover.total;
        }
        handover.room.notify_all();
        for (const std::string& piece : pieces) {
            if (!handover.refused && !request.onBody(piece)) {
                const std::lock_guard lock(handover.mutex);
                handover.refused = true;
            }
        }
        if (cancelled())
            handover.room.notify_all();
        if (shown && received == shownReceived && total == shownTotal)
            return;
        shown = true;
        shownReceived = received;
        shownTotal = total;
        if (progress)
            progress(received, total);
        m_ui.showReceived(received, total);
    };
    DownloadResponse response;
    m_ui.waitBeside([&] { response = m_inner.get(beside, besideProgress); }, takeOver);
    takeOver();
    return response;
}

ProcessResult BackgroundProcessRunner::runAsAdministrator(const std::vector<std::string>& command,
                                                          std::string_view input) {
    ProgressSink& progress = m_ui.progress();
    progress.setTitle("Waiting for the administrator's password...");
    progress.show();
    ProcessResult result;
    m_ui.waitBeside([&] { result = m_inner.runAsAdministrator(command, input); }, {});
    progress.close();
    return result;
}

} // namespace velmora
