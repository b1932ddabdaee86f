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
// The note after the address of a block kept from a list (or after its source) that says when an
// update last changed its names, in UTC: "# updated: 2026-12-06T04:00:00Z".
inline constexpr std::string_view kBlockUpdated = "# updated: ";
// The last note of a switched-off block (any block): its lines are comments (see switchBlocks), and it
// blocks nothing.
inline constexpr std::string_view kBlockOffNote = "# state: off";

// When an update changed a block, as its "# updated: " note writes it: seconds since 1970 in UTC as
// 2026-12-06T04:00:00Z.
std::string updateStamp(int64_t unixSeconds);

// A marked block: "#BEGIN of NAME" (letter case ignored) up to the first "#END of NAME" after it for
// the same name, or to the end of the lines when there is none. Its start marker may be followed by
// notes, in this order: its source, the address its names go to and when an update last changed it
// (these three only after a source), and whether it is switched off (any block).
struct BlockInfo {
    std::string name;    // as the start marker writes it, trimmed
    std::string source;  // from a "# source: " line directly after the start marker; empty without
    std::string address; // from a "# address: " line after that, else 127.0.0.1
    std::string updated; // from a "# updated: " line after those; empty without
    bool off = false;    // a "# state: off" line ends its notes: it is switched off
    int32_t begin = 0;   // the start marker
    int32_t end = 0;     // the end marker, or the count of lines when the block runs to the end
    bool closed = false; // it has its end marker
    int32_t notes = 0;   // the note lines after the start marker
    // Its lines between the markers, without the notes.
    int32_t bodyLines() const { return end - begin - 1 - notes; }
};

// Every block, from the top; lines inside a block are part of it, also other start markers.
std::vector<BlockInfo> findBlocks(const LineSource& lines);
// The lines of every block whose name begins with `name` (letter case ignored; spaces around it do not
// count), markers and notes included, as flags (1: a line of such a block): the blocks exactly as
// findBlocks reads them, so that what a removal takes is what the list of blocks shows.
std::vector<uint8_t> linesOfBlocks(const LineSource& lines, std::string_view name);
// The names the lines of a block give (after the address of each line, or a bare name), those of a
// switched-off block as it would give them switched on.
int32_t namesInBlock(const LineSource& lines, const BlockInfo& block);

// The same for lines given one at a time (a file read through without being held).
class BlockScanner {
public:
    // Past a block's notes only a marker matters, and every marker begins with "#": the many other
    // lines of a large file are passed over at their first byte, without a call.
    void line(std::string_view text) {
        if (!m_inNotes && (text.empty() || text.front() != '#'))
            ++m_count;
        else
            take(text);
    }
    std::vector<BlockInfo> finish();

private:
    void take(std::string_view text);
    bool takeNote(BlockInfo& block, std::string_view text);

    std::vector<BlockInfo> m_blocks;
    int32_t m_count = 0;
    bool m_open = false;
    int m_noteStage = 0; // the last note the open block has had (see takeNote)
    bool m_inNotes = false;
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
    std::string updated; // for its "# updated: " line when its lines change; empty: the note stays as it is
    // Its list is the one the block was last made from, and nothing the block depends on has changed
    // since (the lines before it, the allowlist): the block is kept line for line, its list unread.
    bool upToDate = false;
};

// What the rebuild did to one block.
struct BlockOutcome {
    std::string name;
    bool off = false;      // it is switched off: its names are written as comments
    bool isNew = false;    // it was added at the end
    bool changed = false;  // its lines differ from before
    bool kept = false;     // no list was at hand: it stays as it was
    bool upToDate = false; // kept because its list is the one it was made from (SourcedList::upToDate)
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
// 127.0.0.1), "# updated: TIME" (the list's `updated` when the lines change, else as it was), "# state:
// off" (when it is switched off), one "ADDRESS name" line per name (made a comment by switchedOffLine
// in a switched-off block), "#END of NAME". A block's list is the one `lists` gives
// for it, else what listFor(block) gives (a copy kept from an earlier download), else none: the block
// then keeps the names it holds. A list of `lists` whose block is not there is a new block at the end;
// a block of its name that notes no source becomes its block, where it stands.
//
// Each name stands once in all the sourced blocks that are switched on, in the first that lists it, and
// no name that a line outside the sourced blocks sends to an address of its own is written (the user's
// own mapping wins). A switched-off block blocks nothing, so its names are not taken: it holds, as
// comments, the names it would hold switched on (its list's names that no block before it that is
// switched on holds), and switching it on gives back exactly those lines;
// the lists were read with the allowlist and the machine's host name (see readBlockList). A block kept
// for want of its list stays line for line, and its names are taken. A second sourced block of the
// same name goes, its names now in the first. Lines outside the sourced blocks are never changed, and a
// sourced block without an end marker is left as it is (where it ends is unknown).
//
// The lines go to `replacement` only when anything changed. With `from`, only the lines from *from on
// do: it is set to the first line the rebuild may change, and the lines before it stay as they are.
BlocksRebuild rebuildSourcedBlocks(const EntryList& lines, const std::vector<SourcedList>& lists,
                                   const std::function<const BlockListNames*(const BlockInfo&)>& listFor,
                                   EntryList& replacement, int32_t* from = nullptr);

} // namespace velmora
