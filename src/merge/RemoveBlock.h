#pragma once

#include "core/EntryList.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora {

// The lines of every block of the name, marker lines included, as flags (1: part of a block).
// For a name that does not begin with "#", the blocks are the marked blocks as the list of blocks reads
// them (linesOfBlocks): every block whose name begins with the name, letter case ignored, so that
// removing Ads takes Ads2 too. A block without its end marker runs to the end of the list.
// A name that begins with "#" heads sections instead: a section begins at a line that begins with the
// name (letter case ignored); the comment lines directly after it are its heading, and the first
// comment line after its entries ends it and goes with it. A section without such a line runs to the end
// of the list. One pass over the list, whatever the number of blocks.
std::vector<uint8_t> markBlocks(const EntryList& list, std::string_view name);

// Removes the lines markBlocks finds, keeping the order of the rest; returns how many lines went.
int32_t removeBlocks(EntryList& list, std::string_view name);

} // namespace velmora
