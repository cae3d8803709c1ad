// libcurl, loaded on the first exchange with a device rather than with the program: a print
// dialog that never reads a device's address book does not load it and the many libraries it
// needs (TLS, Kerberos, LDAP and more), which take longer to load than the whole plug-in.
#pragma once

#include <curl/curl.h>

namespace abif {

struct CurlLibrary {
    decltype(&curl_global_init) global_init;
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_slist_append) slist_append;
    decltype(&curl_slist_free_all) slist_free_all;
    decltype(&curl_multi_init) multi_init;
    decltype(&curl_multi_cleanup) multi_cleanup;
    decltype(&curl_multi_add_handle) multi_add_handle;
    decltype(&curl_multi_remove_handle) multi_remove_handle;
    decltype(&curl_multi_perform) multi_perform;
    decltype(&curl_multi_poll) multi_poll;
    decltype(&curl_multi_info_read) multi_info_read;
    decltype(&curl_multi_wakeup) multi_wakeup;
};

// The library, loaded and initialised on the first call from any thread; null when it cannot be
// loaded (which the first call tells on standard error).
const CurlLibrary* loadCurl();
// The library once loadCurl() has answered it.
const CurlLibrary& curlApi();

} // namespace abif
