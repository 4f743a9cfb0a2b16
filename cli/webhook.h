// The summary's webhook: its JSON POSTed to an http or https address.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cli {

// Whether the address may be used: http:// or https:// only.
bool WebhookAddressAllowed(std::string_view url);

// POSTs `json` (Content-Type application/json) and waits at most
// timeout_ms. The failure in one English line (refused, timed out, an
// answer other than 2xx), or nullopt when the receiver took it.
std::optional<std::string> PostWebhook(const std::string& url, const std::string& json,
                                       long timeout_ms = 15000);

}  // namespace cli
