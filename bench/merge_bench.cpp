// One merge as a user makes it, in the document without a window: the HOSTS file is read by the
// rebuild stage, the source list merged into it, and the result saved with its backup; then the
// heaviest changes taken back.
// Usage: merge_bench SOURCE HOSTS   (HOSTS is rewritten; pass a copy)
#include "BenchSupport.h"
#include "document/HostsDocument.h"

#include <cstdio>

using namespace velmora;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: merge_bench SOURCE HOSTS\n");
        return 2;
    }
    bench::QuietUserInterface quiet;
    HostsDocument document(systemFileSystem(), systemEnvironment(), quiet);
    document.setSourcePath(argv[1]);
    document.setHostsPath(argv[2]);
    const double mergeMs = bench::bestOf(1, [&] { document.merge(); });
    const double saveMs = bench::bestOf(1, [&] { document.save(argv[2]); });
    std::printf("merge %s + %s: %d lines after merge (%s from the HOSTS file, %s added); merge %.1f ms, save %.1f ms\n",
                argv[2], argv[1], document.lines().count(), document.rereadStatus().c_str(),
                document.addedStatus().c_str(), mergeMs, saveMs);
    // Taking the heaviest changes back: the merge (the whole list read again) and deleting every line.
    const double undoMergeMs = bench::bestOf(1, [&] { document.undo(); });
    const double redoMergeMs = bench::bestOf(1, [&] { document.redo(); });
    document.selectAll();
    const double deleteMs = bench::bestOf(1, [&] { document.deleteSelected(); });
    const double undoDeleteMs = bench::bestOf(1, [&] { document.undo(); });
    std::printf("undo merge %.1f ms, redo %.1f ms; delete all %.1f ms, undo %.1f ms (%d lines back)\n", undoMergeMs,
                redoMergeMs, deleteMs, undoDeleteMs, document.lines().count());
    return 0;
}
