// libcurl, loaded the first time a download starts. A run that downloads nothing (a merge of a local
// file, a removal, the window until a web address is merged) then maps neither libcurl nor the dozen
// libraries it needs (TLS, HTTP/2, IDN, LDAP, Kerberos), and starts that much sooner.
//
// The functions the downloader calls are defined here under libcurl's own names and hand each call
// to the library's function; the downloader is written as if it linked libcurl. When the library
// cannot be loaded, curl_global_init and curl_easy_init fail, which the downloader already reports
// ("the HTTP library could not start"). A libcurl function used anywhere without a definition here
// fails the link, so that none is missed.
#define CURL_DISABLE_TYPECHECK // the checking macros would stand in for the definitions below
#include <curl/curl.h>

#include <dlfcn.h>

#include <cstdarg>

#ifndef VELMORA_CURL_LIBRARY
#define VELMORA_CURL_LIBRARY "libcurl.so.4"
#endif

namespace {

struct CurlLibrary {
    CURLcode (*globalInit)(long) = nullptr;
    CURL* (*easyInit)() = nullptr;
    CURLcode (*easySetopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*easyPerform)(CURL*) = nullptr;
    CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
    const char* (*easyStrerror)(CURLcode) = nullptr;
    void (*easyCleanup)(CURL*) = nullptr;
    curl_slist* (*slistAppend)(curl_slist*, const char*) = nullptr;
    void (*slistFreeAll)(curl_slist*) = nullptr;
};

template <typename Function> bool find(void* handle, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
}

// Loaded once, on first use; every function is null when the library or one of them is missing.
const CurlLibrary& curlLibrary() {
    static const CurlLibrary loaded = [] {
        CurlLibrary library;
        // Bound lazily: of the thousands of functions libcurl and its libraries import, a few requests call
        // a small part, and binding them all at once was most of the cost of loading it.
        void* handle = dlopen(VELMORA_CURL_LIBRARY, RTLD_LAZY | RTLD_LOCAL);
        if (!handle)
            return library;
        if (find(handle, "curl_global_init", library.globalInit) && find(handle, "curl_easy_init", library.easyInit) &&
            find(handle, "curl_easy_setopt", library.easySetopt) &&
            find(handle, "curl_easy_perform", library.easyPerform) &&
            find(handle, "curl_easy_getinfo", library.easyGetinfo) &&
            find(handle, "curl_easy_strerror", library.easyStrerror) &&
            find(handle, "curl_easy_cleanup", library.easyCleanup) &&
            find(handle, "curl_slist_append", library.slistAppend) &&
            find(handle, "curl_slist_free_all", library.slistFreeAll))
            return library;
        dlclose(handle);
        return CurlLibrary{};
    }();
    return loaded;
}

} // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    const CurlLibrary& library = curlLibrary();
    return library.globalInit ? library.globalInit(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init() {
    const CurlLibrary& library = curlLibrary();
    return library.easyInit ? library.easyInit() : nullptr;
}

// curl.h declares these with an enum as the last named parameter; its values all fit in an int, so
// it is passed unpromoted and va_start is well defined here, whatever clang's warning assumes.
#ifdef __clang__
#pragma clang diagnostic ignored "-Wvarargs"
#endif

// The value's type follows from the option's number (the CURLOPTTYPE_ ranges of curl.h), so that it
// is passed on exactly as the caller passed it.
CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
    const CurlLibrary& library = curlLibrary();
    if (!library.easySetopt)
        return CURLE_FAILED_INIT;
    va_list values;
    va_start(values, option);
    CURLcode code = CURLE_OK;
    // The branches differ in the type va_arg takes, which the check does not look at.
    // NOLINTBEGIN(bugprone-branch-clone)
    if (option < CURLOPTTYPE_OBJECTPOINT)
        code = library.easySetopt(curl, option, va_arg(values, long));
    else if (option >= CURLOPTTYPE_FUNCTIONPOINT && option < CURLOPTTYPE_OFF_T)
        code = library.easySetopt(curl, option, va_arg(values, void (*)()));
    else if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB)
        code = library.easySetopt(curl, option, va_arg(values, curl_off_t));
    else // objects and blobs
        code = library.easySetopt(curl, option, va_arg(values, void*));
    // NOLINTEND(bugprone-branch-clone)
    va_end(values);
    return code;
}

CURLcode curl_easy_perform(CURL* curl) {
    return curlLibrary().easyPerform(curl);
}

// Every kind of information is asked for with a pointer to where it goes.
CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
    va_list values;
    va_start(values, info);
    const CURLcode code = curlLibrary().easyGetinfo(curl, info, va_arg(values, void*));
    va_end(values);
    return code;
}

const char* curl_easy_strerror(CURLcode code) {
    const CurlLibrary& library = curlLibrary();
    return library.easyStrerror ? library.easyStrerror(code) : "the HTTP library could not be loaded";
}

void curl_easy_cleanup(CURL* curl) {
    curlLibrary().easyCleanup(curl);
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    const CurlLibrary& library = curlLibrary();
    return library.slistAppend ? library.slistAppend(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    const CurlLibrary& library = curlLibrary();
    if (library.slistFreeAll)
        library.slistFreeAll(list);
}

} // extern "C"
