#include "support/HostsTable.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <stdexcept>

namespace velmora::test {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            out.push_back(line.substr(start, i - start));
    }
    return out;
}

template <typename OnLine> void eachLine(std::string_view text, OnLine&& onLine) {
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
            if (i > start || (i < text.size()))
                onLine(text.substr(start, i - start));
            if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
}

bool isDottedQuad(std::string_view field) {
    int parts = 0;
    size_t i = 0;
    while (true) {
        const size_t start = i;
        int value = 0;
        while (i < field.size() && std::isdigit(static_cast<unsigned char>(field[i])) && i - start < 3)
            value = value * 10 + (field[i++] - '0');
        if (i == start || value > 255)
            return false;
        ++parts;
        if (i == field.size())
            return parts == 4;
        if (field[i] != '.' || parts == 4)
            return false;
        ++i;
    }
}

bool isIpv6(std::string_view field) {
    return field.find(':') != std::string_view::npos && std::all_of(field.begin(), field.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.' || c == '%';
           });
}

bool isHostName(std::string_view name) {
    if (name.empty() || name.size() > 253)
        return false;
    size_t labels = 0;
    std::string_view last;
    for (size_t start = 0;;) {
        const size_t dot = std::min(name.size(), name.find('.', start));
        const std::string_view label = name.substr(start, dot - start);
        if (label.empty() || label.size() > 63)
            return false;
        for (const char c : label)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
                return false;
        ++labels;
        last = label;
        if (dot == name.size())
            break;
        start = dot + 1;
    }
    return labels >= 2 &&
           !std::all_of(last.begin(), last.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

} // namespace

bool isBlockingAddressText(const std::string& address) {
    return address == "0.0.0.0" || address.rfind("127.", 0) == 0 || address == "::" || address == "::1";
}

ResolverTable::ResolverTable(std::string_view text) : m_text(lower(text)) {
    m_names.reserve(m_text.size() / 24);
    eachLine(m_text, [&](std::string_view line) {
        line = line.substr(0, line.find('#'));
        const std::vector<std::string_view> parts = fields(line);
        if (parts.size() < 2 || !(isDottedQuad(parts[0]) || isIpv6(parts[0])))
            return;
        for (size_t i = 1; i < parts.size(); ++i)
            m_names.emplace(parts[i], parts[0]);
    });
}

std::string_view ResolverTable::find(std::string_view name) const {
    const auto it = m_names.find(name);
    return it == m_names.end() ? std::string_view() : it->second;
}

std::vector<std::string> namesListed(std::string_view list) {
    static const std::set<std::string> never = {"localhost", "localhost.localdomain", "local", "broadcasthost",
                                                "0.0.0.0"};
    std::vector<std::string> names;
    std::set<std::string> seen;
    auto take = [&](std::string_view field) {
        const std::string name = lower(field);
        const std::string bare = name.size() > 1 && name.back() == '.' ? name.substr(0, name.size() - 1) : name;
        if (never.count(bare) || bare.rfind("ip6-", 0) == 0 || !isHostName(bare))
            return;
        if (seen.insert(name).second)
            names.push_back(name);
    };
    eachLine(list, [&](std::string_view line) {
        if (line.substr(0, 3) == "\xEF\xBB\xBF")
            line.remove_prefix(3);
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos && (hash == 0 || line[hash - 1] == ' ' || line[hash - 1] == '\t'))
            line = line.substr(0, hash);
        const std::vector<std::string_view> parts = fields(line);
        if (parts.empty())
            return;
        if (isDottedQuad(parts[0]) || isIpv6(parts[0])) {
            if (isBlockingAddressText(std::string(parts[0])))
                for (size_t i = 1; i < parts.size(); ++i)
                    take(parts[i]);
        } else if (parts.size() == 1) {
            take(parts[0]);
        }
    });
    return names;
}

std::string gzipped(std::string_view text) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

} // namespace velmora::test
