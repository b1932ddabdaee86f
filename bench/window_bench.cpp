// Sorting and deleting in the main window on about a million lines, each against a baseline run in
// the same invocation:
//   sort:   the byte order with ASCII case folded (the order used without a locale collation) against
//           the locale collation, alone and as the whole Sort button (both passes, progress windows,
//           view resets), in the C locale and in en_US;
//   delete: EntryList::removeWhere on its own against Del in the window with every line selected.
//   window_bench [LIST]   (the first 1,000,000 lines of LIST, or generated host lines)
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise; never touches a HOSTS file.

#include "mainwindow/MainWindow.h"
#include "mainwindow/QtCollation.h"

#include <QKeyEvent>
#include <QListView>
#include <QTemporaryDir>

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr size_t kLines = 1000000;

std::vector<std::string> readLines(const char* path) {
    std::vector<std::string> lines;
    if (path) {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        while (lines.size() < kLines && std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    uint32_t seed = 12345;
    for (size_t i = 0; i < kLines; ++i) {
        seed = seed * 1664525u + 1013904223u;
        lines.push_back((i % 3 ? "0.0.0.0 " : "127.0.0.1 ") + std::string(seed % 7 ? "ads" : "Track") +
                        std::to_string(seed % 99991) + ".example" + std::to_string(i % 97) + ".com");
    }
    return lines;
}

void fill(velmora::EntryList& list, const std::vector<std::string>& lines) {
    list.clear();
    list.beginAppend();
    for (const std::string& line : lines)
        list.append(line);
    list.endAppend();
}

// The lines as a file the document loads, so that the window holds them as it would a HOSTS file.
std::string writeFile(const QTemporaryDir& dir, const std::vector<std::string>& lines) {
    const std::string path = dir.filePath(QStringLiteral("lines")).toStdString();
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
        out << line << '\n';
    return path;
}

template <typename F> double seconds(F&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void row(const char* what, double s, double baseline) {
    std::printf("  %-46s %7.3f s %7.2f\n", what, s, baseline > 0 ? s / baseline : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::vector<std::string> lines = readLines(argc > 1 ? argv[1] : nullptr);
    const QTemporaryDir dir;
    const std::string file = writeFile(dir, lines);
    velmora::MainWindow window(velmora::systemFileSystem(), velmora::systemEnvironment(),
                               velmora::systemDesktopServices());
    window.show();
    velmora::HostsDocument& document = window.document();
    document.load(file);

    std::printf("sort, %zu lines                                     seconds   ratio\n", lines.size());
    velmora::AsciiCollation bytes;
    const double baseline = seconds([&] { bytes.order(document.lines()); });
    row("byte order, ASCII case folded (baseline)", baseline, baseline);
    for (const char* locale : {"C", "en_US"}) {
        const QLocale chosen{QString::fromLatin1(locale)};
        velmora::QtCollation collation(chosen);
        const std::string order = std::string("locale collation, ") + locale;
        document.load(file);
        row(order.c_str(), seconds([&] { collation.order(document.lines()); }), baseline);
        document.setCollation(std::make_unique<velmora::QtCollation>(chosen));
        document.load(file);
        const std::string button = std::string("Sort button, both passes, ") + locale;
        auto* sort = window.findChild<QWidget*>(QStringLiteral("btnSort"));
        row(button.c_str(), seconds([&] { QMetaObject::invokeMethod(sort, "click"); }), baseline);
    }

    std::printf("delete, every one of %zu lines selected\n", lines.size());
    velmora::EntryList bare;
    fill(bare, lines);
    const std::vector<uint8_t> all(lines.size(), 1);
    const double removeWhere = seconds([&] { bare.removeWhere(all); });
    row("EntryList::removeWhere (baseline)", removeWhere, removeWhere);
    document.load(file);
    document.selectAll();
    QApplication::processEvents();
    auto* view = window.findChild<QListView*>(QStringLiteral("lstHOSTS"));
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    row("Del in the window", seconds([&] { QApplication::sendEvent(view, &del); }), removeWhere);
    std::printf("  lines left: %d, %s\n", document.lines().count(), document.totalStatus().c_str());
    return 0;
}
