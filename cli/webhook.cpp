#include "cli/webhook.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>

namespace cli {
namespace {

size_t WebhookDiscard(char*, size_t size, size_t count, void*) {
  return size * count;
}

}  // namespace

bool WebhookAddressAllowed(std::string_view url) {
  std::string head(url.substr(0, 8));
  std::transform(head.begin(), head.end(), head.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return (head.rfind("http://", 0) == 0 && url.size() > 7) ||
         (head.rfind("https://", 0) == 0 && url.size() > 8);
}

std::optional<std::string> PostWebhook(const std::string& url, const std::string& json,
                                       long timeout_ms) {
  if (!WebhookAddressAllowed(url)) return "a webhook address must start with http:// or https://";
  CURL* curl = curl_easy_init();
  if (!curl) return "the webhook could not be prepared";
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json; charset=utf-8");
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeout_ms);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, json.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(json.size()));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WebhookDiscard);
  const CURLcode rc = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  if (rc == CURLE_OPERATION_TIMEDOUT)
    return "the webhook did not answer within " + std::to_string(timeout_ms) + " ms";
  if (rc != CURLE_OK) return std::string("the webhook failed: ") + curl_easy_strerror(rc);
  if (status < 200 || status > 299)
    return "the webhook answered HTTP " + std::to_string(status);
  return std::nullopt;
}

}  // namespace cli
