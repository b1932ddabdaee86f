#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velmora::test {

// A HOSTS text read the way the system's resolver reads it: on each line, up to a "#", a first field
// that is an address (a dotted quad or an IPv6 address), then the names it gives; a line whose first
// field is no address gives nothing. The first line that names a host decides its address. Names are
// looked up in lower case.
class ResolverTable {
public:
    explicit ResolverTable(std::string_view text);
    // The address of the name, or "" when no line names it.
    std::string_view find(std::string_view name) const;

private:
    std::string m_text; // in lower case; the map views it
    std::unordered_map<std::string_view, std::string_view> m_names;
};

// True for the addresses that send a name nowhere.
bool isBlockingAddressText(const std::string& address);

// The names a block list means to block, read plainly: bare names, and the names of HOSTS lines with
// 0.0.0.0 or a 127.x address; without the names no list may block (localhost and its kin) and fields
// that are no host names. Lower case, each once, as the list writes it (a final dot kept).
std::vector<std::string> namesListed(std::string_view list);

// The text as gzip data (one member).
std::string gzipped(std::string_view text);

} // namespace velmora::test
