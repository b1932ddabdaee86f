// The download cache, against a downloader that answers as the test says: a kept copy is asked about
// with exactly its own notes and replaced only by a body that is a list, within the limit, whole; the
// folder is private and refused when another user could change it; the answers a probe had in the
// background stand in for a request only when they were given to that very request.
#include "core/WebList.h"
#include "support/FakeUserInterface.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>

using namespace velmora;
using namespace velmora::test;

namespace {

class ScriptedDownloader : public Downloader {
public:
    DownloadResponse get(const DownloadRequest& request, const std::function<void(uint64_t, uint64_t)>&) override {
        asked.push_back(request.headers);
        DownloadResponse response = next;
        bool taken = true;
        const std::string_view body = response.body;
        for (size_t at = 0; taken && request.onBody && at < body.size(); at += piece) {
            taken = request.onBody(body.substr(at, piece));
            delivered = std::min(body.size(), at + piece);
        }
        if (!taken && !carriesOn) {
            response.failed = true;
            response.message = "Failed writing received data to disk/application";
        }
        response.body.clear();
        return response;
    }
    std::vector<std::vector<std::string>> asked; // the extra headers of each request
    DownloadResponse next;                       // the answer to every request
    bool carriesOn = false;                      // a body refused by onBody is still called a success
    size_t piece = std::string::npos;            // the body is given in pieces this long
    size_t delivered = 0;                        // how much of the last body was given
};

DownloadResponse answer(long status, std::string body = {}, std::string etag = {}, std::string lastModified = {}) {
    DownloadResponse response;
    response.status = status;
    response.reason = status == 200 ? "OK" : status == 304 ? "Not Modified" : "Partial Content";
    response.body = std::move(body);
    response.etag = std::move(etag);
    response.lastModified = std::move(lastModified);
    return response;
}

class WebListTest : public ::testing::Test {
protected:
    WebListTest() {
        environment.variables["XDG_CACHE_HOME"] = dir.file("cache");
        environment.variables["LOCALAPPDATA"] = dir.file("cache");
    }
    WebListResult fetch(const ListCheck& check = {}, WebListProbe* probe = nullptr) {
        return fetchWebList(downloader, files, environment, kAddress, options, ui, check, nullptr, probe);
    }
    std::string folder() { return webListCacheFolder(environment); }
    // The files of the cache folder and their bytes, by name.
    std::map<std::string, std::string> kept() {
        std::map<std::string, std::string> all;
        for (const auto& entry : std::filesystem::directory_iterator(folder()))
            all[entry.path().filename().string()] = readFile(entry.path().string());
        return all;
    }
    static constexpr const char* kAddress = "http://lists.example/ads.txt";
    const std::vector<std::string> kBoth{"If-None-Match: \"1\"", "If-Modified-Since: Sun, 06 Dec 2026 05:00:00 GMT"};

    TempDir dir;
    FakeFileSystem files;
    FakeEnvironment environment;
    FakeUserInterface ui;
    ScriptedDownloader downloader;
    WebListOptions options;
};

} // namespace

// A kept copy is asked about with its ETag and Last-Modified; a 304 keeps it, any other answer that is
// not a whole list leaves it and its notes as they were, and nothing of the refused body stays behind.
TEST_F(WebListTest, AKeptCopyIsReplacedOnlyByAWholeList) {
    downloader.next = answer(200, "ads.example\n", "\"1\"", "Sun, 06 Dec 2026 05:00:00 GMT");
    const WebListResult first = fetch();
    ASSERT_EQ(first.status, WebListStatus::Fresh) << first.message;
    EXPECT_EQ(downloader.asked.back(), std::vector<std::string>{}) << "nothing kept yet";
    const auto before = kept();
    ASSERT_EQ(before.size(), 2u); // the list and its notes

    downloader.next = answer(304);
    EXPECT_EQ(fetch().status, WebListStatus::NotModified);
    EXPECT_EQ(downloader.asked.back(), kBoth);

    DownloadResponse tooLarge = answer(200, "more.example\n");
    tooLarge.tooLarge = true;
    DownloadResponse stalled = answer(200, "more.example\n");
    stalled.stalled = true;
    const std::pair<DownloadResponse, std::string> refused[] = {
        {answer(206, "more.example\n"), "HTTP 206 Partial Content"},
        {tooLarge, "larger than the limit of 536870912 bytes"},
        {stalled, "nothing came for 60 seconds, so it was given up"},
        {answer(200, " \r\n\t"), "not a list: the answer was empty"},
        {answer(200, "<html>\n"), "refused by the check"},
    };
    for (const auto& [response, message] : refused) {
        downloader.next = response;
        const WebListResult result = fetch([](const std::string& path) {
            return readFile(path).starts_with("<") ? std::string("refused by the check") : std::string();
        });
        EXPECT_EQ(result.status, WebListStatus::Failed) << message;
        EXPECT_EQ(result.message, message);
        EXPECT_EQ(kept(), before) << message;
    }
    // A body that could not be kept whole is no list, whatever the downloader made of it.
    files.failOp(FakeFileSystem::Op::Write, ENOSPC);
    downloader.carriesOn = true;
    downloader.next = answer(200, "more.example\n");
    const WebListResult unwritten = fetch();
    EXPECT_EQ(unwritten.status, WebListStatus::Failed);
    EXPECT_TRUE(unwritten.message.starts_with("cannot keep the download in ")) << unwritten.message;
    EXPECT_EQ(kept(), before);
    downloader.carriesOn = false;
    // Nor is the rest of a long one fetched for nothing: the download stops at the write that failed.
    files.failOp(FakeFileSystem::Op::Write, ENOSPC);
    downloader.piece = 16 << 10;
    downloader.next = answer(200, std::string(size_t{4} << 20, 'a') + ".example\n");
    EXPECT_TRUE(fetch().message.starts_with("cannot keep the download in "));
    EXPECT_LT(downloader.delivered, size_t{1} << 20);
    EXPECT_EQ(kept(), before);
    downloader.piece = std::string::npos;

    // A 304 to a request that asked about no copy is no list.
    std::filesystem::remove_all(folder());
    downloader.next = answer(304);
    EXPECT_EQ(fetch().message, "HTTP 304 Not Modified");
}

// Notes are trusted only as this address's, beside a copy that is there; a new list without validators
// takes the old notes with it, and validators holding a line end are not noted.
TEST_F(WebListTest, NotesSpeakOnlyForTheirCopy) {
    downloader.next = answer(200, "ads.example\n", "\"1\"", "Sun, 06 Dec 2026 05:00:00 GMT");
    ASSERT_EQ(fetch().status, WebListStatus::Fresh);
    std::string notesName, listName;
    for (const auto& [name, bytes] : kept())
        (name.ends_with(".notes") ? notesName : listName) = name;
    const std::string notes = (std::filesystem::path(folder()) / notesName).string();
    const std::string list = (std::filesystem::path(folder()) / listName).string();
    const std::string good = readFile(notes);
    const auto askedWith = [&](const std::string& notesBytes) {
        writeFile(notes, notesBytes);
        downloader.next = answer(304);
        fetch();
        return downloader.asked.back();
    };
    EXPECT_EQ(askedWith(good), kBoth);
    std::string otherHeader = good, otherAddress = good;
    otherHeader.replace(0, otherHeader.find('\n'), "velmora download 2");
    otherAddress.replace(otherAddress.find("ads.txt"), 7, "ads.txz");
    EXPECT_EQ(askedWith(otherHeader), std::vector<std::string>{});
    EXPECT_EQ(askedWith(otherAddress), std::vector<std::string>{});
    std::filesystem::remove(list);
    EXPECT_EQ(askedWith(good), std::vector<std::string>{}) << "notes without their copy";

    downloader.next = answer(200, "new.example\n");
    ASSERT_EQ(fetch().status, WebListStatus::Fresh);
    EXPECT_FALSE(std::filesystem::exists(notes)) << "notes that outlived their list";
    downloader.next = answer(200, "new.example\n", "\"2\"\r\nX-Injected: 1");
    ASSERT_EQ(fetch().status, WebListStatus::Fresh);
    EXPECT_FALSE(std::filesystem::exists(notes));
}

// The folder is made for this user alone, the folder it is in too when that is missing, and its files
// are this user's alone; a folder another user owns is refused before anything is asked, also one that
// turns out to be theirs once made.
TEST_F(WebListTest, TheFolderIsTheUsersAlone) {
    downloader.next = answer(200, "ads.example\n", "\"1\"");
    ASSERT_EQ(fetch().status, WebListStatus::Fresh);
#ifdef _WIN32
    GTEST_SKIP() << "owners and permission bits as POSIX has them";
#else
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(dir.file("cache")).permissions() & perms::all, perms::owner_all);
    EXPECT_EQ(std::filesystem::status(folder()).permissions() & perms::all, perms::owner_all);
    for (const auto& entry : std::filesystem::directory_iterator(folder()))
        EXPECT_EQ(entry.status().permissions() & perms::all, perms::owner_read | perms::owner_write) << entry.path();
    const size_t requests = downloader.asked.size();
    files.owners[folder()] = {4242, 4242, 0700};
    const WebListResult refused = fetch();
    EXPECT_EQ(refused.status, WebListStatus::Failed);
    EXPECT_NE(refused.message.find("set XDG_CACHE_HOME to a folder of your own"), std::string::npos) << refused.message;
    EXPECT_EQ(keptWebList(files, environment, kAddress).status, WebListStatus::Failed);
    EXPECT_EQ(keptBlocksNote(files, environment, dir.file("hosts")), "");
    std::filesystem::remove_all(dir.file("cache"));
    EXPECT_EQ(fetch().status, WebListStatus::Failed) << "made, then found to be another user's";
    EXPECT_EQ(downloader.asked.size(), requests);
#endif
}

// A probe's 304 answers the download that makes the very request it made, and only that one: notes
// changed since, or an answer that was no 304, make the download ask again itself.
TEST_F(WebListTest, AProbeAnswersOnlyItsOwnRequest) {
    downloader.next = answer(200, "ads.example\n", "\"1\"");
    ASSERT_EQ(fetch().status, WebListStatus::Fresh);
    const auto askedNow = [&] { return downloader.asked.size(); };
    const size_t before = askedNow();
    {
        downloader.next = answer(304);
        WebListProbe probe;
        ASSERT_TRUE(probe.start(downloader, files, environment, {kAddress, "http://lists.example/none"}, options));
        EXPECT_EQ(fetch({}, &probe).status, WebListStatus::NotModified);
        EXPECT_EQ(askedNow(), before + 1) << "one request, the probe's; none for an address with no copy";
    }
    {
        downloader.next = answer(304);
        WebListProbe probe;
        ASSERT_TRUE(probe.start(downloader, files, environment, {kAddress}, options));
        EXPECT_TRUE(probe.notModified(kAddress, {"If-None-Match: \"1\""}));
        downloader.next = answer(200, "fresh.example\n", "\"2\"");
        EXPECT_FALSE(probe.notModified(kAddress, {"If-None-Match: \"2\""}));
    }
    {
        downloader.next = answer(200, "fresh.example\n", "\"2\"");
        WebListProbe probe;
        ASSERT_TRUE(probe.start(downloader, files, environment, {kAddress}, options));
        const WebListResult fresh = fetch({}, &probe);
        EXPECT_EQ(fresh.status, WebListStatus::Fresh) << "a new list is downloaded in the open";
        EXPECT_EQ(readFile(fresh.path), "fresh.example\n");
    }
    {
        // A failure without a body is no 304 either.
        downloader.next = answer(500);
        const size_t asked = askedNow();
        WebListProbe probe;
        ASSERT_TRUE(probe.start(downloader, files, environment, {kAddress}, options));
        EXPECT_EQ(fetch({}, &probe).status, WebListStatus::Failed);
        EXPECT_EQ(askedNow(), asked + 2) << "asked again in the open";
    }
}
