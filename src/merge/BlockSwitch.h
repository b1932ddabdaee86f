#pragma once

#include "core/EntryList.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// What a line of a switched-off block begins with: it makes the line a comment, which the resolver
// skips, and is taken away again when the block is switched on.
inline constexpr std::string_view kSwitchedOffPrefix = "#off ";

// A line of a block as switched off: "#off " before it, or "#off" alone for an empty line (no blank at
// the end of a line, which editors take away). switchedOnLine gives back exactly the line.
std::string switchedOffLine(std::string_view line);
// A line of a switched-off block as switched on: the line without its "#off " ("#off" alone: an empty
// line). A line without the prefix (one written into the block by hand meanwhile) stays as it is.
std::string_view switchedOnLine(std::string_view line);

enum class BlockSwitchStatus {
    Switched,    // every block of the name is now in the state asked for
    AlreadySo,   // every block of the name already was: nothing changed
    NoSuchBlock, // no block of the name
    NoEnd,       // a block of the name has no end marker, so where it ends is unknown: nothing changed
};

struct BlockSwitchResult {
    BlockSwitchStatus status = BlockSwitchStatus::NoSuchBlock;
    int32_t blocks = 0; // blocks of the name
};

// Switches every block of the name (letter case ignored, as findBlocks reads blocks) off or on, with
// or without a source. Off: the note "# state: off" follows the block's other notes, and every other
// line between its markers becomes switchedOffLine of it. On: exactly that is taken away again, so
// that off and on give back the same bytes. A block already in that state stays as it is, so a block
// switched off twice is switched off once. Every line outside the blocks of the name stays as it is.
// The lines go to `out` only when a block was switched.
BlockSwitchResult switchBlocks(const LineSource& lines, std::string_view name, bool on, EntryList& out);

} // namespace velmora
