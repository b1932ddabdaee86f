#pragma once

#include "core/EntryList.h"
#include "core/LineText.h"
#include "core/UserInterface.h"
#include "merge/AllowList.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline constexpr std::string_view kBlockBegin = "#BEGIN of ";
inline constexpr std::string_view kBlockEnd = "#END of ";
// The comment after a block's start marker that names where its lines came from.
inline constexpr std::string_view kBlockSource = "# source: ";

// A marked block: "#BEGIN of NAME" (letter case ignored) up to the first "#END of NAME" after it for
// the same name, or to the end of the lines when there is none.
struct BlockInfo {
    std::string name;   // as the start marker writes it, trimmed
    std::string source; // from a "# source: " line directly after the start marker; empty without
    int32_t begin = 0;  // the start marker
    int32_t end = 0;    // the end marker, or the count of lines when the block runs to the end
    // Its lines between the markers, without the source line.
    int32_t bodyLines() const { return end - begin - 1 - (source.empty() ? 0 : 1); }
};

// Every block, from the top; lines inside a block are part of it, also other start markers.
std::vector<BlockInfo> findBlocks(const LineSource& lines);

// What replaceBlock did.
struct BlockReplacement {
    int32_t removed = 0;  // lines of the old blocks, markers included
    int32_t added = 0;    // lines of the new block, markers included
    int32_t keptOut = 0;  // list lines the allowlist kept out
    bool changed = false; // false when the new block is the old one, line for line
    int error = 0;        // errno of a list that could not be read to its end: nothing was changed
};

// Replaces the blocks named exactly `name` (letter case ignored) with one new block at the place of
// the first (at the end when there is none): "#BEGIN of NAME", "# source: SOURCE", the list at
// listPath read by the source-list rules, its lines already elsewhere in `lines` dropped as in a merge
// and the list's own block markers left out, then "#END of NAME". Every other line stays as it was,
// in its order. The result goes to `replacement` (its entries replaced) only when it changed anything,
// so that the caller decides how the lines take it.
BlockReplacement replaceBlock(const EntryList& lines, const std::string& name, const std::string& source,
                              FileSystem& files, const std::string& listPath, const AllowList* allow,
                              ProgressSink& progress, EntryList& replacement);

} // namespace velmora
