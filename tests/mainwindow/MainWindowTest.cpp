// The window's wiring: each control, key and menu reaches the document operation it stands for, and
// the window shows what the document holds. What the operations do is left to the document tests.

#include "mainwindow/MainWindow.h"
#include "core/PrivilegedSave.h"
#include "core/Sha256.h"
#include "dialogs/BackgroundWork.h"
#include "dialogs/DialogTestHook.h"
#include "dialogs/DisplayText.h"
#include "mainwindow/Credits.h"
#include "mainwindow/EntryListView.h"
#include "mainwindow/GuardedApplication.h"
#include "mainwindow/ListKeys.h"
#include "mainwindow/QtCollation.h"
#include "mainwindow/WindowLook.h"
#include "platform/FakeDesktopServices.h"
#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "platform/PosixProcessRunner.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <QCollator>
#include <QTextDocumentFragment>
#include <QtTest>
#include <QtWidgets>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>

using namespace velmora;
using namespace velmora::test;

namespace {

// A bulk load hides the view and reaches it as one reset; appends arrive as rows. Selection flows both
// ways and survives a batch removal.
TEST(ListView, FollowsListAndSelection) {
    EntryList list;
    Selection selection;
    EntryListView view(list, selection);
    view.show();
    const auto row = [&view](int i) { return view.model()->index(i, 0); };
    QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(view.model(), &QAbstractItemModel::rowsInserted);
    list.beginBulkChange();
    EXPECT_FALSE(view.isVisible());
    for (int i = 0; i < 1000; ++i)
        list.append(std::to_string(i));
    list.endBulkChange();
    EXPECT_TRUE(view.isVisible());
    list.append("by hand");
    EXPECT_EQ(std::tuple(resets.count(), inserts.count(), view.model()->rowCount()), std::tuple(1, 1, 1001));
    selection.selectOnly(900);
    view.selectionModel()->select(QItemSelection(row(5), row(7)), QItemSelectionModel::ClearAndSelect);
    view.selectionModel()->setCurrentIndex(row(7), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(std::pair(selection.selectedCount(), selection.current()), std::pair(3, 7));
    std::vector<uint8_t> removed(1001);
    removed[1] = removed[6] = 1;
    list.removeWhere(removed);
    selection.linesRemoved(removed, list.count());
    EXPECT_EQ(view.selectionModel()->selectedIndexes(), (QModelIndexList{row(4), row(5)}));
}

// Rows far below the first screenfuls are laid out after the list shows; a row the program reveals
// before the layout got there (a search right after a load) is still scrolled to.
TEST(ListView, RevealsRowsNotYetLaidOut) {
    EntryList list;
    Selection selection;
    EntryListView view(list, selection);
    view.resize(200, 200);
    view.show();
    list.beginBulkChange();
    for (int i = 0; i < 400000; ++i)
        list.append("line " + std::to_string(i));
    list.endBulkChange();
    QApplication::processEvents(); // the first batch only
    selection.selectOnly(399990);
    const QRect shown = view.visualRect(view.model()->index(399990, 0));
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_TRUE(view.viewport()->rect().contains(shown.center()));
}

// A line wider than the list can be scrolled to, and a row cut off shows its whole line as a tooltip,
// in rows that keep it inside the screen (a line of a few hundred characters would run off it), its
// "<" shown as written; a row that shows whole has none.
TEST(ListView, LongLinesScrollAndShowWhole) {
    // The lines are there before the view (as at start-up), more of them longer than most than are
    // measured, and the longest neither first nor last.
    const std::string longLine = "127.0.0.1 " + std::string(300, 'w') + ".example <b>";
    Lines lines{"short"};
    for (int i = 0; i < 40; ++i)
        lines.push_back("a medium line " + std::to_string(i));
    lines.push_back(longLine);
    lines.resize(lines.size() + 60, "x");
    EntryList list = listOf(lines);
    Selection selection;
    EntryListView view(list, selection);
    view.resize(200, 120);
    view.show();
    QApplication::processEvents();
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 1000);
    const auto tipOver = [&view](int row) {
        const QPoint at = view.visualRect(view.model()->index(row, 0)).center();
        QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &help);
        if (!help.isAccepted() || !QToolTip::isVisible())
            return std::string();
        // The rows joined again: the line as it is.
        return QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText().remove(u'\n').toStdString();
    };
    view.scrollTo(view.model()->index(41, 0));
    EXPECT_EQ(tipOver(41), longLine);
    const QWidget* tip = nullptr;
    for (const QWidget* widget : QApplication::topLevelWidgets())
        if (widget->inherits("QTipLabel") && widget->isVisible())
            tip = widget;
    ASSERT_TRUE(tip);
    // As wide as the screen at most: the tooltip places it inside then.
    EXPECT_LE(tip->width(), view.screen()->availableGeometry().width());
    EXPECT_EQ(tipOver(0), "");
    std::vector<uint8_t> longOne(42);
    longOne[41] = 1;
    list.removeWhere(longOne); // a reset, every line short
    QApplication::processEvents();
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
}

// Only Ctrl alone (the keypad aside) makes A select all and F3 ask; Insert adds as Space does.
TEST(ListView, KeyActions) {
    using enum ListKeyAction;
    EXPECT_EQ(listKeyAction(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier), FocusOnly);
    EXPECT_EQ(listKeyAction(Qt::Key_A, Qt::ControlModifier | Qt::KeypadModifier), SelectAll);
    EXPECT_EQ(listKeyAction(Qt::Key_F3, Qt::ControlModifier), FindAsking);
    EXPECT_EQ(listKeyAction(Qt::Key_Insert, Qt::NoModifier), AddLine);
}

// Any locale: case ignored (beyond ASCII too), equal lines keep their order. The screen text decodes
// UTF-8 (beyond the BMP too) and shows every other byte as itself, so nothing disappears: not a NUL, not
// an overlong form, not an encoded surrogate, not a sequence cut short.
TEST(SortOrderAndText, CaseIgnoredNoByteLost) {
    for (const char* localeName : {"C", "en_US"}) {
        EntryList list = listOf({"b", "B", "a", "\xC3\xA9", "\xC3\x89", "A", "\xC3\xA9"});
        list.reorder(QtCollation(QLocale(QString::fromLatin1(localeName))).order(list));
        EXPECT_EQ(linesOf(list), (Lines{"a", "A", "b", "B", "\xC3\xA9", "\xC3\x89", "\xC3\xA9"})) << localeName;
    }
    EXPECT_EQ(displayText(std::string_view("caf\xC3\xA9\xC0\xAF\0", 8)), QStringLiteral("caf\u00E9\u00C0\u00AF\u2400"));
    EXPECT_EQ(displayText(std::string_view("\xED\xA0\x80\xC3\xA9", 4)), QStringLiteral("\u00ED\u00A0\u0080\u00C3"));
    EXPECT_EQ(displayText("\xF0\x9F\x98\x80").size(), 2);
}

// The sort keys put lines in the order the locale's collator gives them (case ignored, punctuation
// counted), also when a long list is shared out among threads and merged; equal lines keep their order.
TEST(SortOrderAndText, KeysOrderAsTheCollatorDoes) {
    const std::vector<std::string> samples = {
        "b",        "B",  "a-b", "ab", "a b",       "A.b",         "10",       "9",
        "\xC3\xA9", "e",  "_x",  "#c", "0.0.0.0 x", "127.0.0.1 Y", "\xFF\xFE", std::string("n\0l", 3),
        "\xC3\x9F", "ss", "Z"};
    Lines lines;
    for (size_t i = 0; i < 120000; ++i)
        lines.push_back(samples[i % samples.size()] + std::to_string(i % 700));
    const EntryList list = listOf(lines);
    const QLocale locale(QStringLiteral("en_US"));
    std::vector<int64_t> told;
    const std::vector<int32_t> order = QtCollation(locale).order(list, [&](int64_t done, int64_t total) {
        EXPECT_EQ(total, 2 * static_cast<int64_t>(lines.size()));
        told.push_back(done);
    });
    ASSERT_EQ(order.size(), lines.size());
    EXPECT_GT(told.size(), 5u); // while the keys are built, not only at the end
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.back(), 2 * static_cast<int64_t>(lines.size()));
    std::vector<int32_t> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < sorted.size(); ++i)
        ASSERT_EQ(sorted[i], static_cast<int32_t>(i));
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (size_t k = 0; k + 1 < order.size(); ++k) {
        const int compared = collator.compare(displayText(list.text(order[k])), displayText(list.text(order[k + 1])));
        ASSERT_TRUE(compared < 0 || (compared == 0 && order[k] < order[k + 1]))
            << list.text(order[k]) << " before " << list.text(order[k + 1]);
    }
}

// The fake file system, with a read that runs out of memory: the second read of the file named
// `exhausted` throws std::bad_alloc, as a list too large for memory does.
class ExhaustibleFiles : public FakeFileSystem {
public:
    std::string exhausted;
    int openRead(const std::string& path, bool followLinks) override {
        const int fd = FakeFileSystem::openRead(path, followLinks);
        if (path == exhausted) {
            m_fd = fd;
            m_reads = 0;
        }
        return fd;
    }
    ssize_t write(int fd, const void* data, size_t size) override {
        if (std::this_thread::get_id() != m_windowThread)
            writtenBeside = true;
        return FakeFileSystem::write(fd, data, size);
    }
    bool writtenBeside = false; // a write came from another thread than the window's
    ssize_t read(int fd, void* buffer, size_t size) override {
        if (fd == m_fd && ++m_reads == 2)
            throw std::bad_alloc();
        return FakeFileSystem::read(fd, buffer, size);
    }

private:
    int m_fd = -1;
    int m_reads = 0;
    std::thread::id m_windowThread = std::this_thread::get_id();
};

// A download that gives one line of ten bytes, no length, and then waits for the window's thread to
// take events: released from there, it ends (cancelled, when the Cancel was pressed meanwhile). Waited
// for on the window's own thread, it would never be released, and ends after a while unreleased.
class WaitingDownloader : public Downloader {
public:
    std::atomic<bool> waiting{false};
    std::atomic<bool> released{false};
    bool wasReleased = false;
    DownloadResponse get(const DownloadRequest& request,
                         const std::function<void(uint64_t, uint64_t)>& progress) override {
        released = false;
        request.onBody("w.example\n");
        progress(10, 0);
        waiting = true;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!released && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        waiting = false;
        wasReleased = released;
        DownloadResponse response;
        response.cancelled = request.cancel && request.cancel->load();
        response.failed = response.cancelled;
        response.status = 200;
        return response;
    }
};

// A main window on fake platform services with the HOSTS path in a temporary folder. A real modal
// dialog (a question no test answered) fails the test, as does an answer queued but never asked for.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        environment.variables["VELMORA_HOSTS"] = hostsPath;
        DialogTestHook::reset();
        QObject::connect(&modalGuard, &QTimer::timeout, [] {
            // The progress window is modal while work waits beside the event loop; the work closes it.
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->objectName() != QLatin1String("formProgress")) {
                ADD_FAILURE() << "unanswered dialog: " << modal->windowTitle().toStdString();
                modal->close();
            }
        });
        modalGuard.start(50);
    }
    ~MainWindowTest() override { EXPECT_FALSE(DialogTestHook::active()) << "a queued answer was not asked for"; }

    HostsDocument& document() { return window.document(); }
    template <typename T = QWidget> T* control(const char* name) {
        T* found = window.findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    EntryListView* lines() { return control<EntryListView>("lstHOSTS"); }
    // The number of selected HOSTS lines and the current one.
    std::pair<int32_t, int32_t> picked() {
        return {document().selection().selectedCount(), document().selection().current()};
    }
    void startWith(const std::string& hostsBytes) {
        writeFile(hostsPath, hostsBytes);
        window.start(false);
    }
    // Shows the window, makes it the active one and gives `focus` the keyboard focus.
    void showWith(QWidget* focus) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        focus->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), focus);
    }

    TempDir dir;
    std::string hostsPath = dir.file("hosts");
    ExhaustibleFiles files;
    FakeEnvironment environment;
    FakeDesktopServices desktop;
    MainWindow window{files, environment, desktop};
    QTimer modalGuard;
};

// Start-up, a merge by Enter in the path box and a sort by its button show in the lists and labels;
// the sort uses the locale collation (byte order would put "É" before "é"). Clicking an added line picks
// the equal HOSTS line; Clear reaches the document. Both lists are plain list views of uniform rows, so
// that a million lines show at once.
TEST_F(MainWindowTest, ShowsWhatTheDocumentHolds) {
    startWith("b\n\xC3\xA9\n\xC3\x89\n");
    writeFile(dir.file("list.txt"), "a\n");
    QLineEdit* source = control<QLineEdit>("txtHOSTS(0)");
    showWith(source);
    QTest::keyClicks(source, QString::fromStdString(dir.file("list.txt")));
    QTest::keyClick(source, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(control<QLabel>("lblHOSTS1")->text() + '|' + control<QLabel>("lblHOSTS3")->text(), "1 items|Total: 4");
    control<QPushButton>("btnSort")->click();
    EXPECT_EQ(linesOf(document().lines()), (Lines{"127.0.0.1 a", "b", "\xC3\xA9", "\xC3\x89"}));
    EXPECT_EQ(lines()->model()->index(2, 0).data().toString(), QStringLiteral("\u00E9"));
    auto* added = control<QListView>("lstNew");
    QTest::mouseClick(added->viewport(), Qt::LeftButton, {}, added->visualRect(added->model()->index(0, 0)).center());
    EXPECT_EQ(picked(), std::pair(1, 0));
    for (const char* name : {"lstHOSTS", "lstNew"})
        EXPECT_TRUE(control<QListView>(name)->uniformItemSizes()) << name;
    DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::Yes));
    control<QPushButton>("btnClear")->click();
    EXPECT_EQ(linesOf(document().lines()), Lines{"127.0.0.1 localhost"});

    // Edit > Remove block asks for the name in the input box and confirms in the message box.
    startWith("#BEGIN of ads\n127.0.0.1 a\n#END of ads\nkeep\n");
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("ads"));
    DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::Yes));
    control<QAction>("mnuEditRemoveBlock")->trigger();
    EXPECT_EQ(linesOf(document().lines()), Lines{"keep"});
}

// Undo of File > Open HOSTS shows the file read before again: both path boxes, the lines, the added
// lines and every count; redo shows the opened file again.
TEST_F(MainWindowTest, UndoOfOpeningShowsTheFileBefore) {
    startWith("a\n");
    const std::string list = dir.file("list.txt"), other = dir.file("other");
    writeFile(list, "n.example\n");
    writeFile(other, "b\nc\nd\n");
    showWith(lines());
    document().setSourcePath(list);
    control<QPushButton>("btnMerge")->click();
    desktop.openAnswers = {other};
    control<QAction>("mnuFileOpen")->trigger();
    const auto shown = [this] {
        QStringList texts;
        for (const char* name : {"txtHOSTS(0)", "txtHOSTS(1)"})
            texts << control<QLineEdit>(name)->text();
        for (const char* name : {"lblHOSTS1", "lblHOSTS3"})
            texts << control<QLabel>(name)->text();
        texts << QString::number(control<QListView>("lstNew")->model()->rowCount());
        texts << QString::number(lines()->model()->rowCount());
        return texts.join('|').toStdString();
    };
    const std::string opened = list + "|" + other + "|1 items|Total: 3|1|3";
    EXPECT_EQ(shown(), opened);
    control<QAction>("mnuEditUndo")->trigger();
    EXPECT_EQ(shown(), list + "|" + hostsPath + "|1 items|Total: 2|1|2");
    control<QAction>("mnuEditRedo")->trigger();
    EXPECT_EQ(shown(), opened);
}

// An operation that runs out of memory part way (an opened file, a list merged) is told and taken back
// whole: the window stays, with the lines, paths and counts as they were, and the unsaved lines can
// still be saved elsewhere.
TEST_F(MainWindowTest, OutOfMemoryLeavesTheWindowAndItsLines) {
    startWith("a\n");
    const std::string list = dir.file("list.txt"), other = dir.file("other"), elsewhere = dir.file("elsewhere");
    writeFile(list, "n.example\n");
    showWith(lines());
    document().setSourcePath(list);
    control<QPushButton>("btnMerge")->click();
    const Lines merged{"a", "127.0.0.1 n.example"};
    std::string big(300000, 'x');
    for (size_t i = 0; i < big.size(); i += 100)
        big[i] = '\n';
    writeFile(other, big);
    writeFile(list, big);
    const std::pair<std::string, std::function<void()>> operations[] = {
        {other,
         [&] {
             desktop.openAnswers = {other};
             control<QAction>("mnuFileOpen")->trigger();
         }},
        {list, [&] { control<QPushButton>("btnMerge")->click(); }},
    };
    for (const auto& [exhausted, operation] : operations) {
        SCOPED_TRACE(exhausted);
        files.exhausted = exhausted;
        DialogTestHook::reset();
        DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::Ok));
        operation();
        ASSERT_EQ(DialogTestHook::asked().size(), 1u);
        EXPECT_TRUE(DialogTestHook::asked()[0].prompt.startsWith("Velmora ran out of memory"));
        EXPECT_EQ(linesOf(document().lines()), merged);
        EXPECT_EQ(control<QLineEdit>("txtHOSTS(1)")->text().toStdString(), hostsPath);
        EXPECT_EQ(control<QLabel>("lblHOSTS3")->text(), QStringLiteral("Total: 2"));
        EXPECT_EQ(control<QListView>("lstNew")->model()->rowCount(), 1);
        EXPECT_TRUE(document().isModified());
        EXPECT_TRUE(window.isVisible());
    }
    files.exhausted.clear();
    control<QAction>("mnuEditUndo")->trigger(); // the merge before: nothing half done is left to take back
    EXPECT_EQ(linesOf(document().lines()), Lines{"a"});
    control<QAction>("mnuEditRedo")->trigger();
    desktop.saveAnswers = {elsewhere};
    control<QPushButton>("btnSave")->click();
    EXPECT_EQ(readFile(elsewhere), "a\n127.0.0.1 n.example\n");
}

// An exception that an event handler lets out (memory that ran out while drawing, a fault) stops at the
// window program's application: the user is told what happened, and the window goes on with its lines
// as they were, still taking the next event.
TEST_F(MainWindowTest, ExceptionReachingTheEventLoopIsToldAndTheWindowLives) {
    auto* application = dynamic_cast<GuardedApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(application);
    application->tell = [this](const std::string& message) { document().ui().reportError(message); };
    const std::unique_ptr<GuardedApplication, void (*)(GuardedApplication*)> untold(
        application, [](GuardedApplication* app) { app->tell = nullptr; });
    startWith("a\n");
    showWith(lines());
    const std::string kept = " The list is still there: save it (to another file if need be) before you go on.";
    const std::pair<std::function<void()>, std::string> faults[] = {
        {[] { throw std::bad_alloc(); }, "Velmora ran out of memory while it was drawing or handling input." + kept},
        {[] { throw std::runtime_error("a fault"); }, "Velmora met an internal error (a fault)." + kept},
        {[] { throw 7; }, "Velmora met an internal error." + kept},
    };
    for (const auto& [fault, told] : faults) {
        SCOPED_TRACE(told);
        DialogTestHook::reset();
        DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::Ok));
        bool handled = false;
        QTimer::singleShot(0, &window, fault);
        QTimer::singleShot(0, &window, [&handled] { handled = true; });
        for (int i = 0; i < 100 && !handled; ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_TRUE(handled);
        ASSERT_EQ(DialogTestHook::asked().size(), 1u);
        EXPECT_EQ(DialogTestHook::asked()[0].prompt.toStdString(), told);
        EXPECT_EQ(linesOf(document().lines()), Lines{"a"});
        EXPECT_FALSE(document().isModified());
        EXPECT_TRUE(window.isVisible());
    }
}

// A web address merged in the window is downloaded beside its event loop: the window's thread takes
// events while the transfer waits (the window repaints and moves), the progress window counts the bytes
// of an answer without a length and takes the input for itself, and its Cancel leaves lines, paths and
// file as they were. The body is written, and merged, on the window's thread.
TEST_F(MainWindowTest, DownloadWaitsBesideTheWindowAndCancels) {
    environment.variables["XDG_CACHE_HOME"] = dir.file("cache");
    WaitingDownloader inner;
    BackgroundDownloader downloader(inner, window.userInterface());
    document().setDownloader(&downloader);
    startWith("a\n");
    showWith(lines());
    document().setSourcePath("http://127.0.0.1:9/list");
    bool cancel = true;
    QString counted;
    bool modal = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* progress = window.findChild<QWidget*>(QStringLiteral("formProgress"));
        if (!inner.waiting || !progress)
            return;
        counted = progress->findChild<QLabel*>(QStringLiteral("lblPercent"))->text();
        if (counted.isEmpty())
            return;
        modal = QApplication::activeModalWidget() == progress;
        if (cancel)
            progress->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
        inner.released = true;
    });
    watch.start(10);
    control<QPushButton>("btnMerge")->click();
    EXPECT_TRUE(inner.wasReleased);
    EXPECT_EQ(counted, QStringLiteral("10 bytes"));
    EXPECT_TRUE(modal);
    EXPECT_EQ(linesOf(document().lines()), Lines{"a"});
    EXPECT_FALSE(document().isModified());
    EXPECT_FALSE(document().canUndo());
    EXPECT_EQ(readFile(hostsPath), "a\n");
    EXPECT_TRUE(DialogTestHook::asked().empty());

    cancel = false;
    control<QPushButton>("btnMerge")->click();
    EXPECT_TRUE(inner.wasReleased);
    const Lines merged = linesOf(document().lines());
    ASSERT_EQ(merged.size(), 6u); // the block of the address, its notes and its one name
    EXPECT_EQ(merged[4], "127.0.0.1 w.example");
    EXPECT_EQ(merged[5], "#END of http://127.0.0.1:9/list");
    EXPECT_FALSE(files.writtenBeside);
}

// Keys in the HOSTS lines: Ctrl+A selects all, Space and a double click ask for a line to add, Ctrl+F
// asks for a text, F3 searches on; the Edit menu pops up on the right button, which leaves the selection
// as it is.
TEST_F(MainWindowTest, ListKeysAndMouse) {
    startWith("# hosts\n127.0.0.1 localhost\n10.0.0.2 b\n10.0.0.3 Localhost.lan\n");
    showWith(lines());
    QTest::keyClick(lines(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(picked().first, 4);
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("added"));
    QTest::keyClick(lines(), Qt::Key_Space);
    DialogTestHook::queueInputBoxAnswer(QString());
    QTest::mouseDClick(lines()->viewport(), Qt::LeftButton, {},
                       lines()->visualRect(lines()->model()->index(1, 0)).center());
    DialogTestHook::queueInputBoxAnswer(QStringLiteral("10.0"));
    QTest::keyClick(lines(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(picked(), std::pair(1, 2));
    QTest::keyClick(lines(), Qt::Key_F3);
    EXPECT_EQ(picked(), std::pair(1, 3));
    QWidget* viewport = lines()->viewport();
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(control<QMenu>("mnuEdit")->pos(), viewport->mapToGlobal(QPoint(20, 20)));
    EXPECT_EQ(picked(), std::pair(1, 3));
    control<QMenu>("mnuEdit")->close();
}

// Browse starts at its row's path; a chosen file (trimmed) fills the box, focused and selected.
TEST_F(MainWindowTest, BrowseFillsItsRow) {
    document().setSourcePath("/lists/old.txt");
    desktop.openAnswers = {"  /lists/ads.txt "};
    showWith(lines());
    control<QPushButton>("btnBrowse(0)")->click();
    QApplication::processEvents();
    auto* box = control<QLineEdit>("txtHOSTS(0)");
    EXPECT_EQ(desktop.dialogRequests.back().initialPath, "/lists/old.txt");
    EXPECT_EQ(document().sourcePath(), "/lists/ads.txt");
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(box->selectedText(), box->text());

    // A file or a list's web address dropped on the window, even over the other path box, becomes the
    // list as Browse makes it (a file before an address); other addresses are refused.
    QMimeData file;
    file.setUrls({QUrl(QStringLiteral("https://lists.example/hosts")),
                  QUrl::fromLocalFile(QStringLiteral("/lists/dropped.txt"))});
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://lists.example/hosts"))});
    QMimeData mail;
    mail.setUrls({QUrl(QStringLiteral("mailto:someone@example.org"))});
    QWidget* target = control<QLineEdit>("txtHOSTS(1)");
    const QPoint at = target->mapTo(&window, target->rect().center());
    QDragEnterEvent enterMail(at, Qt::CopyAction, &mail, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enterMail);
    EXPECT_FALSE(enterMail.isAccepted());
    for (const auto& [data, list] :
         {std::pair(&file, "/lists/dropped.txt"), std::pair(&web, "https://lists.example/hosts")}) {
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
        EXPECT_EQ(document().sourcePath(), list);
        EXPECT_EQ(box->text(), QString::fromUtf8(list));
    }
    EXPECT_FALSE(target->acceptDrops());
    // A folder dropped is no list: it is refused with its name, and the list stays.
    QMimeData folder;
    folder.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.path()))});
    DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::Ok));
    QDragEnterEvent enterFolder(at, Qt::CopyAction, &folder, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enterFolder);
    QDropEvent dropFolder(QPointF(at), Qt::CopyAction, &folder, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &dropFolder);
    EXPECT_EQ(document().sourcePath(), "https://lists.example/hosts");
    ASSERT_FALSE(DialogTestHook::asked().empty());
    EXPECT_EQ(DialogTestHook::asked().back().prompt,
              QString::fromStdString(dir.path() + " is a folder, not a list to merge; drop a list file."));
}

class ShortcutTest : public MainWindowTest, public ::testing::WithParamInterface<const char*> {};

// From any control: Del deletes the selected HOSTS line (path boxes keep their text), Ctrl+Z and
// Ctrl+Y take it back and make it again, and Ctrl+F, F3, Ctrl+O and Ctrl+S act.
TEST_P(ShortcutTest, MenuShortcutsWinOverTheFocusedControl) {
    startWith("a\nb\nc\n");
    document().setSourcePath("/lists/source.txt");
    QWidget* focus = control(GetParam());
    showWith(focus);
    auto* undo = control<QAction>("mnuEditUndo");
    EXPECT_FALSE(undo->isEnabled());
    document().selection().selectOnly(1);
    QTest::keyClick(focus, Qt::Key_Delete);
    EXPECT_EQ(linesOf(document().lines()), (Lines{"a", "c"}));
    EXPECT_TRUE(undo->isEnabled());
    QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(linesOf(document().lines()), (Lines{"a", "b", "c"}));
    EXPECT_FALSE(undo->isEnabled());
    QTest::keyClick(focus, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(linesOf(document().lines()), (Lines{"a", "c"}));
    EXPECT_EQ(control<QLineEdit>("txtHOSTS(0)")->text(), QStringLiteral("/lists/source.txt"));
    EXPECT_EQ(control<QLineEdit>("txtHOSTS(1)")->text().toStdString(), hostsPath);
    DialogTestHook::queueInputBoxAnswer(QString());
    DialogTestHook::queueInputBoxAnswer(QString());
    writeFile(dir.file("other"), "10.1.1.1 one\n");
    desktop.openAnswers = {dir.file("other")};
    for (const QKeyCombination key :
         {Qt::CTRL | Qt::Key_F, QKeyCombination(Qt::Key_F3), Qt::CTRL | Qt::Key_O, Qt::CTRL | Qt::Key_S})
        QTest::keyClick(focus, key.key(), key.keyboardModifiers());
    EXPECT_EQ(linesOf(document().lines()), Lines{"10.1.1.1 one"});
    EXPECT_EQ(desktop.dialogRequests.back().title, "Save HOSTS");
}

// In a path box, Ctrl+Z first takes back the typing there, then the changes of the lines.
TEST_F(MainWindowTest, PathBoxUndoesItsTypingFirst) {
    startWith("a\nb\n");
    auto* box = control<QLineEdit>("txtHOSTS(0)");
    showWith(box);
    document().selection().selectOnly(0);
    QTest::keyClick(box, Qt::Key_Delete);
    box->end(false);
    QTest::keyClicks(box, "x");
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box->text(), QString());
    EXPECT_EQ(linesOf(document().lines()), Lines{"b"});
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(linesOf(document().lines()), (Lines{"a", "b"}));
}

INSTANTIATE_TEST_SUITE_P(Focus, ShortcutTest,
                         ::testing::Values("txtHOSTS(0)", "txtHOSTS(1)", "lstHOSTS", "lstNew", "btnMerge"));

// Captions open their row's path unchanged (left: editor, right: folder); Open and the credit line
// open theirs. A hovered caption is underlined as a link until the mouse reaches the background.
TEST_F(MainWindowTest, Links) {
    document().setSourcePath("/home/me/my lists/ad list.txt");
    document().setHostsPath("C:\\dir\\hosts");
    const std::tuple<const char*, Qt::MouseButton, std::string> cases[] = {
        {"lblHOSTS(1)", Qt::LeftButton, "editor:C:\\dir\\hosts"},
        {"lblHOSTS(0)", Qt::RightButton, "folder:/home/me/my lists/"},
        {"btnOpen", Qt::LeftButton, "editor:C:\\dir\\hosts"},
        {"lblCredits", Qt::RightButton, ""},
        {"lblCredits", Qt::LeftButton, std::string("address:") + credits::kHomePage},
    };
    for (const auto& [name, button, call] : cases) {
        desktop.calls.clear();
        QTest::mouseClick(control(name), button);
        EXPECT_EQ(desktop.calls, call.empty() ? Lines{} : Lines{call}) << name;
    }
    // A list at a web address opens in the browser; it has no folder.
    document().setSourcePath("https://lists.example/hosts");
    desktop.calls.clear();
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton})
        QTest::mouseClick(control("lblHOSTS(0)"), button);
    EXPECT_EQ(desktop.calls, Lines{"address:https://lists.example/hosts"});
    showWith(lines());
    const auto underlined = [this] { return control("lblHOSTS(1)")->font().underline(); };
    QTest::mouseMove(control("lblHOSTS(1)"), QPoint(3, 3));
    EXPECT_TRUE(underlined());
    QTest::mouseMove(control("client"), QPoint(400, 69));
    EXPECT_FALSE(underlined());
}

// The window asks for a fixed size, a minimise and a close button and no maximise button. On a scaled
// screen the bitmap face would keep its 100% pixel size, so the texts set in it take the scalable face
// at the same point size, bold and underline kept; unscaled they keep the bitmap face.
TEST_F(MainWindowTest, FixedWindowAndFacesThatScale) {
    window.show();
    EXPECT_EQ(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                      Qt::WindowCloseButtonHint | Qt::WindowTitleHint),
              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());

    const auto looks = [](const QFont& font) {
        return QStringLiteral("%1 %2%3%4")
            .arg(font.family())
            .arg(font.pointSizeF())
            .arg(font.bold() ? " bold" : "")
            .arg(font.underline() ? " underlined" : "");
    };
    const QString scalable = tahomaFont(9.75).family();
    for (const qreal ratio : {1.5, 2.0})
        EXPECT_EQ(looks(msSansSerifFontAt(ratio, 9.75, true, true)), scalable + " 9.75 bold underlined") << ratio;
    const QFont unscaled = msSansSerifFontAt(1.0, 8.25);
    if (!QFontDatabase::families().contains(QStringLiteral("MS Sans Serif")))
        GTEST_SKIP() << "no MS Sans Serif on this system";
    EXPECT_EQ(looks(unscaled), "MS Sans Serif 8.25");
}

// The system HOSTS file that this user may not write (its backup is refused): the window's own message
// box offers to save as administrator, and Yes runs pkexec, here a script first on PATH that records
// its arguments and then runs the helper as pkexec would, or ends as a cancelled password prompt does
// (126, or 127 from some agents), or as pkexec without an agent does. Only a saved list stops counting as modified; the
// others say why.
TEST_F(MainWindowTest, SavesAsAdministratorThroughPkexec) {
    TempDir bin;
    const std::string before = "10.0.0.1 nas\n", after = "127.0.0.1 localhost\n";
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path() + ":") + path);
    qputenv("VELMORA_TEST_SYSTEM_HOSTS", QByteArray::fromStdString(hostsPath));
    PosixProcessRunner system;
    BackgroundProcessRunner runner(system, window.userInterface());
    document().enableAdministratorSave(runner, VELMORA_TEST_HELPER, hostsPath);
    // pkexec waits (as for the password) until the window's thread, taking events meanwhile, sees the
    // progress window that says what is awaited, modal, and lets it go on.
    const std::string released = bin.file("released");
    QString awaited;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* progress = window.findChild<QWidget*>(QStringLiteral("formProgress"));
        if (progress && progress->isVisible() && QApplication::activeModalWidget() == progress) {
            awaited = progress->windowTitle();
            writeFile(released, "");
        }
    });
    watch.start(10);
    files.fakeUserId = 1000;
    const struct {
        const char* pkexecEnds;
        std::string hostsAfter;
        const char* said; // the notice after the prompt, if any
    } cases[] = {
        {"PKEXEC_UID=1000 exec \"$@\"", after, nullptr},
        {"exit 126", before, "The administrator's password was not given."},
        // The agent that answers Cancel with 127 ("not authorized") is read as the others are; pkexec
        // without an agent to ask says so, and the window tells that.
        {"echo 'Error executing command as another user: Not authorized' >&2; exit 127", before,
         "The administrator's password was not given."},
        {"echo 'Error executing command as another user: No authentication agent found.' >&2; exit 127", before,
         "No polkit authentication agent is running"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pkexecEnds);
        ::unlink(released.c_str());
        awaited.clear();
        writeFile(bin.file("pkexec"), "#!/bin/sh\nprintf '%s\\n' \"$@\" >'" + bin.file("arguments") +
                                          "'\nfor i in $(seq 100); do [ -e '" + released +
                                          "' ] && break; sleep 0.05; done\n[ -e '" + released + "' ] || exit 99\n" +
                                          c.pkexecEnds + "\n");
        ::chmod(bin.file("pkexec").c_str(), 0755);
        startWith(before);
        document().resetToLocalhost();
        files.failOp(FakeFileSystem::Op::CreateExclusive, EACCES, 0, -1);
        desktop.saveAnswers = {hostsPath};
        DialogTestHook::reset();
        DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::Yes));
        if (c.said)
            DialogTestHook::queueMessageBoxAnswer(static_cast<int16_t>(Answer::Ok));
        control<QPushButton>("btnSave")->click();
        files.clearFaults();
        EXPECT_EQ(awaited, QStringLiteral("Waiting for the administrator's password..."));
        EXPECT_EQ(readFile(hostsPath), c.hostsAfter);
        EXPECT_EQ(document().isModified(), c.said != nullptr);
        EXPECT_EQ(readFile(bin.file("arguments")), std::string(VELMORA_TEST_HELPER) + "\n--length\n20\n--sha256\n" +
                                                       sha256Hex(after) + "\n--replaces\n" + sha256Hex(before) + "\n");
        const auto& asked = DialogTestHook::asked();
        ASSERT_EQ(asked.size(), c.said ? 2u : 1u);
        EXPECT_TRUE(asked[0].prompt.endsWith("Save it as administrator? You will be asked for an administrator's "
                                             "password."));
        EXPECT_TRUE(!c.said || asked[1].prompt.contains(QString::fromUtf8(c.said)));
    }
    qputenv("PATH", path);
}

} // namespace
