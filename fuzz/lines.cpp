// Line reading, and loading then saving a file in both writing conventions.
// - The whole-text splitter, the streaming reader (any piece size, short reads) and the byte-by-byte
//   reference all give the same lines.
// - Saving the lines over the file writes each line followed by the file's own line end; a file whose
//   lines all end that way comes back byte for byte. The backup holds the old bytes exactly, the mode is
//   kept, nothing else is left behind, and reading the saved file gives the same lines again.

#include "FuzzSupport.h"
#include "MemoryFileSystem.h"

#include "core/HostsFile.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

// True when every line of data ends with `end` (the last one included).
bool everyLineEndsWith(std::string_view data, std::string_view end) {
    if (data.empty())
        return true;
    if (!data.ends_with(end))
        return false;
    for (size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\r') {
            const bool crlf = i + 1 < data.size() && data[i + 1] == '\n';
            if (end != (crlf ? "\r\n" : "\r"))
                return false;
            if (crlf)
                ++i;
        } else if (c == '\n' && end != "\n") {
            return false;
        }
    }
    return true;
}

Lines streamed(MemoryFileSystem& disk, const std::string& path, size_t chunk) {
    Lines lines;
    const int error = readFileLines(
        disk, path, [&](std::string_view line) { lines.emplace_back(line); }, chunk);
    FUZZ_CHECK(error == 0, "a clean read reports no error");
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const LineConvention convention = input.ConsumeBool() ? LineConvention::Windows : LineConvention::Posix;
    const size_t chunk = input.ConsumeIntegralInRange<size_t>(1, 64);
    const size_t readLimit = input.ConsumeIntegralInRange<size_t>(0, 9);
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    const Lines reference = referenceLines(bytes);
    Lines whole;
    forEachLine(bytes, [&](std::string_view line) { whole.emplace_back(line); });
    FUZZ_CHECK(whole == reference, "forEachLine splits by the line rules");

    MemoryFileSystem disk;
    disk.readLimit = readLimit;
    const std::string path = "etc/hosts";
    disk.put(path, bytes);
    disk.files[path]->mode = 0640;
    FUZZ_CHECK(streamed(disk, path, chunk) == whole, "the streaming reader splits as the whole text");

    const std::string_view end = lineEndBytes(lineEndFor(bytes, convention));
    const size_t firstEnd = bytes.find_first_of("\r\n");
    const bool crlfFirst = firstEnd != std::string::npos && bytes.compare(firstEnd, 2, "\r\n") == 0;
    FUZZ_CHECK(end == ((convention == LineConvention::Windows || crlfFirst) ? "\r\n" : "\n"),
               "the line end follows the file's first line end");

    disk.readLimit = 0;
    const SaveResult saved = saveHostsFile(disk, path, listOf(whole), convention);
    FUZZ_CHECK(saved.status == SaveStatus::Saved, "a save without faults succeeds");
    std::string expected;
    for (const std::string& line : reference)
        expected.append(line).append(end);
    const std::string* after = disk.bytesOf(path);
    FUZZ_CHECK(after && *after == expected, "every line is written followed by the line end");
    if (everyLineEndsWith(bytes, end))
        FUZZ_CHECK(*after == bytes, "a file whose lines all end with its line end is saved byte for byte");
    FUZZ_CHECK(disk.files[path]->mode == 0640, "the mode is kept");

    const std::string* backup = disk.bytesOf(path + ".bak");
    // A file that comes back byte for byte was not written at all, and keeps no backup of itself.
    const bool same = !bytes.empty() && expected == bytes;
    FUZZ_CHECK(saved.unchanged == same, "a save of the bytes already there writes nothing");
    FUZZ_CHECK(saved.backedUp == (!bytes.empty() && !same), "a backup exactly when the file had other data");
    if (saved.backedUp)
        FUZZ_CHECK(backup && *backup == bytes, "the backup holds the old bytes");
    FUZZ_CHECK(disk.files.size() == (saved.backedUp ? 2u : 1u), "no temporary file is left");
    FUZZ_CHECK(disk.openDescriptors() == 0, "every file is closed");

    FUZZ_CHECK(streamed(disk, path, chunk) == whole, "the saved file reads back as the same lines");
    return 0;
}
