#pragma once

#include "core/EntryList.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora {

// The lines of every block of the name, marker lines included, as flags (1: part of a block).
// A block begins at a line that begins with the start text (letter case ignored) and ends at the first
// end line (the end text's bytes exactly) after its body; end lines directly after the start line are
// its heading. Start and end texts are "#BEGIN of " + name and "#END of " + name, or the name and "#"
// when the name begins with "#". A block without an end runs to the end of the list. An empty marker
// block (start line directly followed by an end line) is those two lines and nothing after them.
// One pass over the list, whatever the number of blocks.
std::vector<uint8_t> markBlocks(const EntryList& list, std::string_view name);

// Removes the lines markBlocks finds, keeping the order of the rest; returns how many lines went.
int32_t removeBlocks(EntryList& list, std::string_view name);

} // namespace velmora
