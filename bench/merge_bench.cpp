// One merge as a user makes it, in the document without a window: the HOSTS file is read by the
// rebuild stage, the source list merged into it, and the result saved with its backup.
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
    return 0;
}
