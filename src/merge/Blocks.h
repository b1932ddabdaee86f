#pragma once

#include "core/EntryList.h"
#include "merge/AllowList.h"
#include "merge/BlockList.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline constexpr std::string_view kBlockBegin = "#BEGIN of ";
inline constexpr std::string_view kBlockEnd = "#END of ";
// The comment after a block's start marker that names where its lines came from.
inline constexpr std::string_view kBlockSource = "# source: ";
// The comment after the source line of a block whose names go to another blocking address than
// 127.0.0.1.
inline constexpr std::string_view kBlockAddress = "# address: ";
inline constexpr std::string_view kDefaultBlockAddress = "127.0.0.1";

// A marked block: "#BEGIN of NAME" (letter case ignored) up to the first "#END of NAME" after it for
// the same name, or to the end of the lines when there is none.
struct BlockInfo {
    std::string name;    // as the start marker writes it, trimmed
    std::string source;  // from a "# source: " line directly after the start marker; empty without
    std::string address; // from a "# address: " line after that, else 127.0.0.1
    int32_t begin = 0;   // the start marker
    int32_t end = 0;     // the end marker, or the count of lines when the block runs to the end
    bool closed = false; // it has its end marker
    int32_t notes = 0;   // the source and address lines after the start marker
    // Its lines between the markers, without the source and address notes.
    int32_t bodyLines() const { return end - begin - 1 - notes; }
};

// Every block, from the top; lines inside a block are part of it, also other start markers.
std::vector<BlockInfo> findBlocks(const LineSource& lines);

// The same for lines given one at a time (a file read through without being held).
class BlockScanner {
public:
    void line(std::string_view text);
    std::vector<BlockInfo> finish();

private:
    std::vector<BlockInfo> m_blocks;
    int32_t m_count = 0;
    bool m_open = false;
};

// Flags (1) the marker lines among lines from `first` on that do not pair up. A start marker pairs with
// the first end marker of its name after it when no other start marker comes between; every other
// marker is unpaired. A merged list's markers that do not pair would otherwise make a block of
// everything after them.
std::vector<uint8_t> unpairedMarkers(const LineSource& lines, int32_t first);

// The list a sourced block holds its names from: the list's names, or none to keep the names the
// block holds now (its list could not be had).
struct SourcedList {
    std::string name;    // the block, letter case ignored
    std::string source;  // for its "# source: " line
    std::string address; // its blocking address; empty: the block's own, else 127.0.0.1
    const BlockListNames* names = nullptr;
};

// What the rebuild did to one block.
struct BlockOutcome {
    std::string name;
    bool isNew = false;   // it was added at the end
    bool changed = false; // its lines differ from before
    bool kept = false;    // no list was at hand: it stays as it was
    int32_t names = 0;
    int32_t added = 0;   // names it holds now and did not before
    int32_t removed = 0; // names it held and holds no more
};

struct BlocksRebuild {
    std::vector<BlockOutcome> blocks;  // every sourced block, in order, and the new ones
    std::vector<std::string> unclosed; // sourced blocks without an end marker, left as they were
    bool changed = false;
};

// Rebuilds every sourced block of lines (a block whose start marker is followed by a source line) from
// its list, names and not lines: "#BEGIN of NAME", "# source: SOURCE", "# address: ADDRESS" (when not
// 127.0.0.1), one "ADDRESS name" line per name, "#END of NAME". A block's list is the one `lists` gives
// for it, else what listFor(block) gives (a copy kept from an earlier download), else none: the block
// then keeps the names it holds. A list of `lists` whose block is not there is a new block at the end;
// a block of its name that notes no source becomes its block, where it stands.
//
// Each name stands once in all the sourced blocks, in the first that lists it, and no name that a line
// outside the sourced blocks sends to an address of its own is written (the user's own mapping wins);
// the lists were read with the allowlist and the machine's host name (see readBlockList). A block kept
// for want of its list stays line for line, and its names are taken. A second sourced block of the
// same name goes, its names now in the first. Lines outside the sourced blocks are never changed, and a
// sourced block without an end marker is left as it is (where it ends is unknown).
//
// The lines go to `replacement` only when anything changed.
BlocksRebuild rebuildSourcedBlocks(const EntryList& lines, const std::vector<SourcedList>& lists,
                                   const std::function<const BlockListNames*(const BlockInfo&)>& listFor,
                                   EntryList& replacement);

} // namespace velmora
