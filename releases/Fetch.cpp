#include "releases/Fetch.h"

#include <curl/curl.h>

#include <fstream>
#include <memory>

namespace releases {

namespace {

struct Transfer {
    std::string bytes;
    std::size_t maxBytes = 0;
    bool tooLarge = false;
    const FetchProgress* progress = nullptr;
    bool stopped = false;
};

std::size_t keepBytes(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    if (transfer.bytes.size() + length > transfer.maxBytes) {
        transfer.tooLarge = true;
        return 0;  // ends the transfer
    }
    transfer.bytes.append(data, length);
    return length;
}

int reportProgress(void* user, curl_off_t total, curl_off_t done, curl_off_t, curl_off_t) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (*transfer.progress && !(*transfer.progress)(static_cast<std::uint64_t>(done),
                                                    static_cast<std::uint64_t>(total))) {
        transfer.stopped = true;
        return 1;
    }
    return 0;
}

// Where a URL leads: its scheme, host and port (the scheme's own when it
// names none), or "" when it cannot be read. File URLs name no host.
std::string originOf(const std::string& url) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> handle(curl_url(), curl_url_cleanup);
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        return {};
    }
    std::string origin;
    for (const auto [part, flags] : {std::pair{CURLUPART_SCHEME, 0u},
                                     {CURLUPART_HOST, 0u},
                                     {CURLUPART_PORT, unsigned(CURLU_DEFAULT_PORT)}}) {
        char* text = nullptr;
        if (curl_url_get(handle.get(), part, &text, flags) == CURLUE_OK) origin += text;
        curl_free(text);
        origin += ' ';
    }
    return origin;
}

std::string sizeCapText(std::size_t maxBytes) {
    return "larger than " + std::to_string(maxBytes) + " bytes";
}

Fetched fetchPath(const std::string& path, std::size_t maxBytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {{}, path + ": cannot be read"};
    Fetched fetched;
    fetched.bytes.resize(maxBytes + 1);
    in.read(fetched.bytes.data(), static_cast<std::streamsize>(maxBytes + 1));
    fetched.bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return {{}, path + ": cannot be read"};
    if (fetched.bytes.size() > maxBytes) return {{}, path + ": " + sizeCapText(maxBytes), true};
    return fetched;
}

}  // namespace

Fetched fetch(const std::string& location, std::size_t maxBytes, const FetchProgress& progress) {
    if (location.find("://") == std::string::npos) return fetchPath(location, maxBytes);
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) return {{}, location + ": the HTTP client cannot start"};

    const std::string origin = originOf(location);
    std::string url = location;
    for (int redirects = 0; redirects <= 5; ++redirects) {
        std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                 curl_easy_cleanup);
        if (!curl) return {{}, location + ": the HTTP client cannot start"};
        Transfer transfer{{}, maxBytes, false, &progress, false};
        char message[CURL_ERROR_SIZE] = {};
        curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "https,http,file");
        curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 0L);  // followed below, same host only
        curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
        curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME, kStallSeconds);
        curl_easy_setopt(curl.get(), CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
        curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, keepBytes);
        curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, reportProgress);
        curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, message);
        curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
        const CURLcode code = curl_easy_perform(curl.get());
        if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
            return {{}, url + ": " + sizeCapText(maxBytes), true};
        }
        if (transfer.stopped) return {{}, url + ": stopped"};
        if (code == CURLE_OPERATION_TIMEDOUT) {
            return {{}, url + ": the source stopped answering (" + message + ")"};
        }
        if (code != CURLE_OK) {
            return {{}, url + ": " + (*message ? message : curl_easy_strerror(code))};
        }
        long status = 0;
        curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
        if (status >= 300 && status < 400) {
            char* next = nullptr;
            curl_easy_getinfo(curl.get(), CURLINFO_REDIRECT_URL, &next);
            if (!next)
                return {{}, url + ": HTTP " + std::to_string(status) + " without a location"};
            // Same scheme, host and port only: never from https to http.
            if (originOf(next) != origin) {
                return {{},
                        url + ": redirected to another host, port or scheme (" + next +
                            "), not followed",
                        true};
            }
            url = next;
            continue;
        }
        if (status >= 400) return {{}, url + ": HTTP " + std::to_string(status)};
        return {std::move(transfer.bytes), {}};
    }
    return {{}, location + ": too many redirects", true};
}

}  // namespace releases
