#include "platform/HttpResponseHead.h"

namespace velmora {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// name is in lower case.
bool headerIs(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line[name.size()] != ':')
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = line[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != name[i])
            return false;
    }
    return true;
}

} // namespace

void takeResponseHeadLine(std::string_view line, DownloadResponse& response) {
    const auto value = [&](std::string_view name) { return std::string(trimmed(line.substr(name.size() + 1))); };
    if (line.starts_with("HTTP/")) {
        response.etag.clear();
        response.lastModified.clear();
        response.contentType.clear();
        const size_t code = line.find(' ');
        const size_t text = code == std::string_view::npos ? code : line.find(' ', code + 1);
        response.reason = text == std::string_view::npos ? std::string() : std::string(trimmed(line.substr(text + 1)));
    } else if (headerIs(line, "etag")) {
        response.etag = value("etag");
    } else if (headerIs(line, "last-modified")) {
        response.lastModified = value("last-modified");
    } else if (headerIs(line, "content-type")) {
        response.contentType = value("content-type");
    }
}

} // namespace velmora
