#pragma once

#include "core/EntryList.h"

#include <string_view>

namespace velmora {

// Removes every block of the name from list, marker lines included, and returns how many lines went.
// A block begins at a line that begins with the start text (letter case ignored) and ends at the first
// end line (the end text's bytes exactly) after its body; end lines directly after the start line are
// its heading. Start and end texts are "#BEGIN of " + name and "#END of " + name, or the name and "#"
// when the name begins with "#". A block without an end runs to the end of the list. An empty marker
// block (start line directly followed by an end line) is those two lines and nothing after them.
// Lines outside the blocks keep their order. One pass over the list, whatever the number of blocks.
int32_t removeBlocks(EntryList& list, std::string_view name);

} // namespace velmora
