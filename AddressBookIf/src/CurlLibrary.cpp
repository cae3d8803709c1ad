#include "CurlLibrary.h"

#include <cstdio>
#include <dlfcn.h>
#include <type_traits>

namespace abif {

namespace {

// The soname of the libcurl whose headers this is built with.
constexpr const char* kCurlSoname = "libcurl.so.4";

CurlLibrary library;

bool load() {
    void* module = ::dlopen(kCurlSoname, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!module) {
        std::fprintf(stderr, "AbifDevice - %s cannot be loaded: %s\n", kCurlSoname, ::dlerror());
        return false;
    }
    bool complete = true;
    const auto take = [&](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(module, name));
        complete = complete && function;
    };
    take(library.global_init, "curl_global_init");
    take(library.easy_init, "curl_easy_init");
    take(library.easy_cleanup, "curl_easy_cleanup");
    take(library.easy_setopt, "curl_easy_setopt");
    take(library.easy_getinfo, "curl_easy_getinfo");
    take(library.slist_append, "curl_slist_append");
    take(library.slist_free_all, "curl_slist_free_all");
    take(library.multi_init, "curl_multi_init");
    take(library.multi_cleanup, "curl_multi_cleanup");
    take(library.multi_add_handle, "curl_multi_add_handle");
    take(library.multi_remove_handle, "curl_multi_remove_handle");
    take(library.multi_perform, "curl_multi_perform");
    take(library.multi_poll, "curl_multi_poll");
    take(library.multi_info_read, "curl_multi_info_read");
    take(library.multi_wakeup, "curl_multi_wakeup");
    if (!complete) {
        std::fprintf(stderr, "AbifDevice - %s lacks functions this program needs\n", kCurlSoname);
        return false;
    }
    return library.global_init(CURL_GLOBAL_NOTHING) == CURLE_OK;
}

} // namespace

const CurlLibrary* loadCurl() {
    static const bool loaded = load();
    return loaded ? &library : nullptr;
}

const CurlLibrary& curlApi() {
    return library;
}

} // namespace abif
