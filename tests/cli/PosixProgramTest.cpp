// What the command-line program loads, as the dynamic loader reports it (LD_DEBUG=files): a batch run
// maps no GUI library, no ICU and no libcurl; a download loads libcurl when it starts; on a desktop a
// batch run is handed to the window's program, whose dialogs need Qt.
#include "support/HttpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace velmora {
namespace {

// The libraries a run loaded (libQt6Core.so.6, libcurl.so.4, ...), what it wrote, and its exit status.
struct Loaded {
    std::set<std::string> libraries;
    std::string out;
    int status = -1;
};

Loaded run(const test::TempDir& dir, const std::string& environment, const std::string& arguments) {
    const std::string out = dir.file(".out"), err = dir.file(".err");
    const int status = std::system((environment + " LD_DEBUG=files VELMORA_HOSTS='" + dir.file("hosts") + "' '" +
                                    VELMORA_BINARY "' " + arguments + " </dev/null >'" + out + "' 2>'" + err + "'")
                                       .c_str());
    Loaded loaded;
    loaded.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    loaded.out = test::readFile(out);
    const std::string report = test::readFile(err);
    const std::regex file(R"(file=([^ ]+) \[)");
    for (auto it = std::sregex_iterator(report.begin(), report.end(), file); it != std::sregex_iterator(); ++it) {
        const std::string path = (*it)[1].str(); // by its name, or by its path when it comes again
        loaded.libraries.insert(path.substr(path.rfind('/') + 1));
    }
    return loaded;
}

std::set<std::string> matching(const std::set<std::string>& libraries, const char* pattern) {
    std::set<std::string> found;
    for (const std::string& library : libraries)
        if (std::regex_search(library, std::regex(pattern)))
            found.insert(library);
    return found;
}

constexpr const char* kGuiIcuCurl = "libQt|libicu|libcurl|libGL|libX|libxcb|libwayland";

// Every batch mode, the classic form too, without a display: none of those libraries, and the work done.
TEST(Program, BatchRunsLoadNoGuiIcuOrCurl) {
    test::TempDir dir;
    test::writeFile(dir.file("list.txt"), "ads.example\n");
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY XDG_CACHE_HOME='" + dir.file("cache") + "'";
    const std::string block = "#BEGIN of ads\nx.example\n#END of ads\n";
    const std::pair<std::string, std::string> runs[] = {
        {"--add '" + dir.file("list.txt") + "'", block + "127.0.0.1 ads.example\n"},
        {"/add '" + dir.file("list.txt") + "'", block + "127.0.0.1 ads.example\n"},
        {"--blocks", block},
        {"--remove ads -y", ""},
        {"--removeall -y", "127.0.0.1 localhost\n"},
        {"--help", block},
    };
    for (const auto& [arguments, after] : runs) {
        test::writeFile(dir.file("hosts"), block);
        const Loaded loaded = run(dir, noDisplay, arguments);
        EXPECT_EQ(loaded.status, 0) << arguments;
        EXPECT_EQ(test::readFile(dir.file("hosts")), after) << arguments;
        EXPECT_TRUE(loaded.libraries.count("libc.so.6")) << arguments; // the loader did report
        EXPECT_EQ(matching(loaded.libraries, kGuiIcuCurl), std::set<std::string>{}) << arguments;
    }

    // An update of blocks whose lists are all files loads no libcurl, also once it has a note to go by.
    const std::string sourced = "#BEGIN of file\n# source: " + dir.file("list.txt") + "\n#END of file\n";
    test::writeFile(dir.file("hosts"), sourced);
    for (const char* time : {"first", "with a note"}) {
        const Loaded update = run(dir, noDisplay, "--update");
        EXPECT_EQ(update.status, 0) << time << ": " << update.out;
        EXPECT_EQ(matching(update.libraries, kGuiIcuCurl), std::set<std::string>{}) << time;
    }
    EXPECT_NE(test::readFile(dir.file("hosts")).find("127.0.0.1 ads.example\n"), std::string::npos);

    // A list from the web: libcurl is loaded for it, and nothing of a window.
    test::LocalHttpServer server([](const test::HttpRequest&) {
        return test::HttpReply{200, "OK", {}, "a.example\n"};
    });
    const Loaded download = run(dir, noDisplay, "--update web " + server.address("/list"));
    EXPECT_EQ(download.status, 0) << download.out;
    EXPECT_EQ(matching(download.libraries, kGuiIcuCurl), std::set<std::string>{"libcurl.so.4"});
}

// An X server of the test's own, or none where Xvfb is not installed.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const test::TempDir& dir) {
        if (std::system("command -v Xvfb >/dev/null 2>&1") != 0)
            return;
        const std::string number = dir.file(".display"), pid = dir.file(".xvfb");
        std::system(("Xvfb -displayfd 3 -nolisten tcp -screen 0 640x480x24 3>'" + number +
                     "' 2>/dev/null & echo $! >'" + pid + "'")
                        .c_str());
        m_pid = std::atoi(test::readFile(pid).c_str());
        for (int i = 0; i < 100 && m_display.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const std::string text = test::readFile(number);
            if (!text.empty() && text.back() == '\n')
                m_display = ":" + text.substr(0, text.size() - 1);
        }
    }
    ~VirtualDisplay() {
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
    }
    const std::string& display() const { return m_display; }

private:
    int m_pid = 0;
    std::string m_display;
};

// With a display the run is the window program's (its dialogs need Qt), and it still does the work.
TEST(Program, ADesktopRunIsTheWindowProgramsWithItsDialogs) {
    test::TempDir dir;
    const VirtualDisplay display(dir);
    if (display.display().empty())
        GTEST_SKIP() << "Xvfb is not installed (scripts/install-deps.sh installs it), or did not start";
    test::writeFile(dir.file("hosts"), "127.0.0.1 localhost\n#BEGIN of ads\nx.example\n#END of ads\n");
    const Loaded loaded =
        run(dir, "env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb DISPLAY=" + display.display(), "--blocks");
    EXPECT_EQ(loaded.status, 0);
    EXPECT_EQ(loaded.out, "ads\t1\t-\ton\t-\n");
    EXPECT_TRUE(loaded.libraries.count("libQt6Widgets.so.6"));
}

} // namespace
} // namespace velmora
