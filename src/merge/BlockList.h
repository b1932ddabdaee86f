#pragma once

#include "merge/AllowList.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The addresses a block list may send names to, since they send them nowhere: 0.0.0.0, any 127.x
// address, :: and ::1 (however each is written).
bool isBlockingAddress(std::string_view address);

// A host name a block may hold: labels of letters, digits, "-" and "_", each 1 to 63 bytes, at least
// two of them, 253 bytes at most in all, the last not digits only (that would be an address).
bool isBlockableName(std::string_view name);

// Names that keep this machine working, which no list may block: localhost, localhost.localdomain,
// local, broadcasthost, the ip6- names, 0.0.0.0 and the machine's own host name (letter case ignored).
bool isNeverBlocked(std::string_view name, std::string_view hostName);

// The names of a block list and how its lines were taken. The names view text, which holds the list
// with its names in lower case, in the order they appear; a name the list repeats is there again
// (the block written from the list holds each once).
// How the lines of a block list were taken.
struct BlockListCounts {
    int32_t entryLines = 0;   // lines read as host entries, bare names or domain rules
    int32_t otherLines = 0;   // lines that are neither blank, comments nor entries
    int32_t otherAddress = 0; // entry lines that send names to an address that blocks nothing
    int32_t neverBlocked = 0; // names that must never be blocked
    int32_t notHostNames = 0; // fields and rules that name no host
    int32_t narrowRules = 0;  // domain rules whose options hold them to less than every use of the name
    int32_t keptOut = 0;      // names the allowlist keeps out
    int32_t excepted = 0;     // names the list's own exception rules ("@@||name^") keep out
};

struct BlockListNames {
    std::string text;
    std::vector<std::string_view> names;
    BlockListCounts counts;
};

enum class BlockListStatus {
    Read,
    NotAList,   // empty, a web page, binary, or mostly lines that are no entry: message says which
    TooLarge,   // its text passes the limit
    Unreadable, // the file could not be read: error says why
};

struct BlockListRead {
    BlockListStatus status = BlockListStatus::Read;
    std::string message; // one line for the user, without the list's name; empty when read
    int error = 0;
};

// Reads a block list: HOSTS lines with a blocking address (several names to a line, "#" comments after
// them), bare names, and domain rules "||name^" (with no option but $important or $all; "@@||name^"
// exceptions keep names out). Gzip data is decompressed first, into at most maxBytes of text (0: no
// limit). A list is refused when fewer than half of its lines that are not blank or comments are
// entries, or when it names no host to block. Names are checked against allow and the names that must
// never be blocked.
BlockListRead readBlockList(std::string bytes, uint64_t maxBytes, const AllowList* allow, std::string_view hostName,
                            BlockListNames& out);

// The same for the list in a file, which is refused when it is larger than maxBytes.
BlockListRead readBlockListFile(FileSystem& files, const std::string& path, uint64_t maxBytes, const AllowList* allow,
                                std::string_view hostName, BlockListNames& out);

} // namespace velmora
