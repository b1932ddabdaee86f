#include "platform/Downloader.h"
#include "platform/HttpResponseHead.h"
#include "platform/WindowsText.h"

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <optional>
#include <string_view>

#include <windows.h>

#include <shlwapi.h>
#include <winhttp.h>

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;

// The statuses that send the request on to the address in Location.
bool isRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Closes a WinHTTP handle when it goes.
class Handle {
public:
    explicit Handle(HINTERNET handle = nullptr) : m_handle(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (m_handle)
            WinHttpCloseHandle(m_handle);
    }
    HINTERNET get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HINTERNET m_handle;
};

// WSAETIMEDOUT, without winsock2.h.
constexpr DWORD kSocketTimedOut = 10060;

// What WinHTTP's error means, in one line; the host and port where the connection is the matter.
std::string errorText(DWORD error, const std::string& where) {
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
    case kSocketTimedOut:
        return "Operation timed out";
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return "Failed to connect to " + where;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return "Could not resolve the host of " + where;
    case ERROR_WINHTTP_CONNECTION_ERROR:
        return "The connection to " + where + " ended before the answer did";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        return "The answer of " + where + " was not HTTP";
    case ERROR_WINHTTP_SECURE_FAILURE:
        return "No secure connection to " + where + ": its certificate or its encryption was refused";
    default:
        break;
    }
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       GetModuleHandleW(L"winhttp.dll"), error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? utf8Text(std::wstring_view(text, length)) : std::string();
    LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "WinHTTP error " + std::to_string(error) : message;
}

bool startsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && _wcsnicmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// An address split as WinHTTP connects to it.
struct Address {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path; // with the query, never empty
    std::string where; // "host port N", for messages
};

// The parts of an http:// or https:// address; nullopt with why set for anything else.
std::optional<Address> split(const std::wstring& address, std::string& why) {
    if (!startsWithNoCase(address, L"http://") && !startsWithNoCase(address, L"https://")) {
        const size_t colon = address.find(L':');
        why = "Protocol \"" + utf8Text(address.substr(0, colon == std::wstring::npos ? 0 : colon)) +
              "\" not supported: only http:// and https:// addresses are fetched";
        return std::nullopt;
    }
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts) ||
        parts.dwHostNameLength == 0) {
        why = "Not a web address WinHTTP can fetch: " + utf8Text(address);
        return std::nullopt;
    }
    Address result;
    result.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    result.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    result.port = parts.nPort;
    result.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    result.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (result.path.empty() || result.path.front() != L'/')
        result.path.insert(0, L"/");
    result.where = utf8Text(result.host) + " port " + std::to_string(result.port);
    return result;
}

// A header of the answer as text; empty when it has none.
std::wstring header(HINTERNET request, DWORD which) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                        WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size, WINHTTP_NO_HEADER_INDEX))
        return {};
    text.resize(size / sizeof(wchar_t));
    return text;
}

// The address that Location names, taken from the one it answered.
std::wstring resolved(const std::wstring& base, const std::wstring& location) {
    std::wstring combined(base.size() + location.size() + 64, L'\0');
    DWORD size = static_cast<DWORD>(combined.size());
    HRESULT result = UrlCombineW(base.c_str(), location.c_str(), combined.data(), &size, 0);
    if (result == E_POINTER) { // size now says how much it needs
        combined.assign(size + 1, L'\0');
        result = UrlCombineW(base.c_str(), location.c_str(), combined.data(), &size, 0);
    }
    if (result != S_OK)
        return location;
    combined.resize(size);
    return combined;
}

// A session with the system's proxy settings where this Windows has them (8.1 and later), else with
// those that netsh sets.
HINTERNET openSession() {
    if (HINTERNET session = WinHttpOpen(L"velmora", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                        WINHTTP_NO_PROXY_BYPASS, 0))
        return session;
    return WinHttpOpen(L"velmora", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                       0);
}

// One GET under way: what it asked for, what has come back so far and when its time is up.
class Transfer {
public:
    Transfer(const DownloadRequest& request, const std::function<void(uint64_t, uint64_t)>& progress)
        : m_request(request), m_progress(progress), m_limited(request.timeoutMs > 0),
          m_deadline(Clock::now() + std::chrono::milliseconds(request.timeoutMs)) {}

    DownloadResponse run() {
        const Handle session(openSession());
        if (!session)
            return fail(errorText(GetLastError(), "the system"));
        std::wstring headers;
        for (const std::string& line : m_request.headers)
            headers += wideText(line) + L"\r\n";
        std::wstring address = wideText(m_request.address);
        for (int redirects = 0;; ++redirects) {
            std::string why;
            const std::optional<Address> at = split(address, why);
            if (!at)
                return fail(redirects == 0 ? why : "Redirected to " + utf8Text(address) + ": " + why);
            const int left = remainingMs();
            if (left < 0)
                return fail("Operation timed out");
            if (cancelled())
                return fail("cancelled");
            Handle connection(WinHttpConnect(session.get(), at->host.c_str(), at->port, 0));
            Handle exchange(connection ? WinHttpOpenRequest(connection.get(), L"GET", at->path.c_str(), nullptr,
                                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                            at->secure ? WINHTTP_FLAG_SECURE : 0)
                                       : nullptr);
            if (!exchange)
                return fail(errorText(GetLastError(), at->where));
            if (std::optional<DownloadResponse> failed = send(exchange.get(), headers, left, at->where))
                return *failed;
            const std::wstring location = readHead(exchange.get());
            if (isRedirect(static_cast<DWORD>(m_response.status)) && !location.empty()) {
                if (redirects >= m_request.maxRedirects)
                    return fail("Maximum (" + std::to_string(m_request.maxRedirects) + ") redirects followed");
                address = resolved(address, location);
                continue;
            }
            return readBody(exchange.get(), at->where);
        }
    }

private:
    DownloadResponse fail(std::string message) {
        m_response.failed = true;
        m_response.message = std::move(message);
        return m_response;
    }

    // Looked at before each request, between pieces of the body and when a wait ends: a synchronous wait
    // of WinHTTP under way runs to its end, and a Cancel pressed during it still counts.
    bool cancelled() {
        m_response.cancelled = m_request.cancel && m_request.cancel->load();
        return m_response.cancelled;
    }

    // What is left of the transfer's time in milliseconds (one deadline for the whole transfer, redirects
    // included), for WinHTTP's waits, where 0 means no limit; -1 when it is up.
    int remainingMs() const {
        if (!m_limited)
            return 0;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
        return left <= 0 ? -1 : static_cast<int>(left);
    }

    // Each wait for the answer lasts until the transfer's time is up or, sooner, the stall timeout.
    int waitMs(int left) const {
        const int stall = m_request.stallTimeoutMs;
        return stall > 0 && (left == 0 || stall < left) ? stall : left;
    }

    // A call that failed once the time was up failed for that, whatever it says; one that waited out the
    // stall timeout before that, for want of a byte.
    DownloadResponse failedCall(const std::string& where, bool waitingForAnswer = false) {
        const DWORD error = GetLastError();
        if (cancelled())
            return fail("cancelled");
        if (remainingMs() < 0)
            return fail("Operation timed out");
        // wine's WinHTTP passes the socket's own timeout on (WSAETIMEDOUT) where Windows says
        // ERROR_WINHTTP_TIMEOUT.
        const bool timedOut = error == ERROR_WINHTTP_TIMEOUT || error == kSocketTimedOut;
        if (waitingForAnswer && timedOut && m_request.stallTimeoutMs > 0) {
            m_response.stalled = true;
            return fail("Stalled");
        }
        return fail(errorText(error, where));
    }

    // Sends the request and waits for the answer's head; the failure, or nothing.
    std::optional<DownloadResponse> send(HINTERNET exchange, const std::wstring& headers, int left,
                                         const std::string& where) {
        // Redirects are followed here, so that each is counted and checked for its protocol.
        DWORD disabled = WINHTTP_DISABLE_REDIRECTS;
        WinHttpSetOption(exchange, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled);
        DWORD decompression = WINHTTP_DECOMPRESSION_FLAG_ALL; // where this Windows can (8.1 and later)
        WinHttpSetOption(exchange, WINHTTP_OPTION_DECOMPRESSION, &decompression, sizeof decompression);
        const int connectMs = m_request.connectTimeoutMs > 0 && (left == 0 || m_request.connectTimeoutMs < left)
                                  ? m_request.connectTimeoutMs
                                  : left;
        WinHttpSetTimeouts(exchange, connectMs, connectMs, waitMs(left), waitMs(left));
        if (!WinHttpSendRequest(exchange, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                                static_cast<DWORD>(headers.size()), WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
            return failedCall(where);
        if (!WinHttpReceiveResponse(exchange, nullptr))
            return failedCall(where, true);
        return std::nullopt;
    }

    // Takes the status and the head's lines into the response; the address it redirects to, if any.
    std::wstring readHead(HINTERNET exchange) {
        DWORD status = 0;
        DWORD size = sizeof status;
        WinHttpQueryHeaders(exchange, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        m_response.status = static_cast<long>(status);
        const std::string head = utf8Text(header(exchange, WINHTTP_QUERY_RAW_HEADERS_CRLF));
        for (size_t start = 0; start < head.size();) {
            const size_t end = std::min(head.find("\r\n", start), head.size());
            takeResponseHeadLine(std::string_view(head).substr(start, end - start), m_response);
            start = end + 2;
        }
        return header(exchange, WINHTTP_QUERY_LOCATION);
    }

    DownloadResponse readBody(HINTERNET exchange, const std::string& where) {
        // The length the server announces is checked before a byte of the body is read.
        const std::wstring length = header(exchange, WINHTTP_QUERY_CONTENT_LENGTH);
        const uint64_t total = length.empty() ? 0 : std::wcstoull(length.c_str(), nullptr, 10);
        if (total > m_request.maxBytes) {
            m_response.tooLarge = true;
            return fail("Maximum file size exceeded");
        }
        char buffer[65536];
        uint64_t received = 0;
        for (;;) {
            const int remaining = remainingMs();
            if (remaining < 0)
                return fail("Operation timed out");
            // The work is about to wait: the one who asked may take a Cancel now (the window's idle).
            if (m_progress)
                m_progress(received, total);
            if (cancelled())
                return fail("cancelled");
            const int wait = waitMs(remaining);
            // Each wait only as long as the transfer has left (through WinHttpSetTimeouts: wine does not
            // take WINHTTP_OPTION_RECEIVE_TIMEOUT once the request is under way).
            WinHttpSetTimeouts(exchange, wait, wait, wait, wait);
            // Only what has come: a read of more waits for all of it, however long a server that sends a
            // byte now and then takes.
            DWORD available = 0;
            if (!WinHttpQueryDataAvailable(exchange, &available))
                return failedCall(where, true);
            if (available == 0)
                break;
            DWORD read = 0;
            if (!WinHttpReadData(exchange, buffer, std::min<DWORD>(available, sizeof buffer), &read))
                return failedCall(where, true);
            if (read == 0)
                break;
            if (received + read > m_request.maxBytes) {
                m_response.tooLarge = true;
                return fail("Maximum file size exceeded");
            }
            received += read;
            if (m_request.onBody) {
                if (!m_request.onBody(std::string_view(buffer, read)))
                    return fail("The body could not be kept");
            } else {
                m_response.body.append(buffer, read);
            }
            if (m_progress)
                m_progress(received, total);
        }
        if (cancelled())
            return fail("cancelled");
        return m_response;
    }

    const DownloadRequest& m_request;
    const std::function<void(uint64_t, uint64_t)>& m_progress;
    DownloadResponse m_response;
    const bool m_limited;
    const Clock::time_point m_deadline;
};

class WindowsDownloader : public Downloader {
public:
    DownloadResponse get(const DownloadRequest& request,
                         const std::function<void(uint64_t, uint64_t)>& progress) override {
        return Transfer(request, progress).run();
    }
};

} // namespace

Downloader& systemDownloader() {
    static WindowsDownloader downloader;
    return downloader;
}

} // namespace velmora
