#pragma once

#include "platform/Downloader.h"

#include <string_view>

namespace velmora {

// Takes one line of an HTTP response's head into response, the same way for every downloader: a status
// line ("HTTP/1.1 404 Not Found") begins a new response, so that of a redirect chain only the last
// one's headers count, and gives the reason after the code; ETag, Last-Modified and Content-Type (the
// names in any letter case) give their values without the blanks around them. Other lines are left.
void takeResponseHeadLine(std::string_view line, DownloadResponse& response);

} // namespace velmora
