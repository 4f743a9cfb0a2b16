// The summary's webhook against a receiver on loopback: the JSON arrives
// as a POST body; a 500 and a receiver that never answers are failures;
// only http and https addresses are taken.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "cli/webhook.h"

namespace {

// Accepts one connection, reads the request, answers `status` (or nothing
// until closed when status is 0).
class WebhookReceiver {
 public:
  explicit WebhookReceiver(int status) : status_(status) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 1);
    socklen_t size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~WebhookReceiver() {
    done_ = true;
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    thread_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/hook"; }
  std::string request() {
    thread_.join();
    thread_ = std::thread([] {});
    return request_;
  }

 private:
  void Serve() {
    const int connection = accept(listener_, nullptr, nullptr);
    if (connection < 0) return;
    char buffer[4096];
    // Until the headers and the body of Content-Length have arrived.
    while (true) {
      const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request_.append(buffer, static_cast<size_t>(n));
      const size_t end = request_.find("\r\n\r\n");
      const size_t length_at = request_.find("Content-Length: ");
      if (end != std::string::npos && length_at != std::string::npos &&
          request_.size() >= end + 4 + std::stoul(request_.substr(length_at + 16)))
        break;
    }
    if (status_ == 0) {
      while (!done_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else {
      const std::string answer = "HTTP/1.1 " + std::to_string(status_) +
                                 " X\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
      send(connection, answer.data(), answer.size(), 0);
    }
    close(connection);
  }

  int status_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> done_{false};
  std::string request_;
  std::thread thread_;
};

TEST(WebhookTest, PostsTheJsonAndFailsOnAnErrorStatusOrSilence) {
  const std::string json = "{\"date\": \"2020-01-06\", \"items\": []}\n";
  {
    WebhookReceiver receiver(200);
    EXPECT_EQ(cli::PostWebhook(receiver.url(), json, 5000), std::nullopt);
    const std::string request = receiver.request();
    EXPECT_EQ(request.rfind("POST /hook HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("Content-Type: application/json"), std::string::npos);
    EXPECT_EQ(request.substr(request.size() - json.size()), json);
  }
  {
    WebhookReceiver receiver(500);
    const auto failure = cli::PostWebhook(receiver.url(), json, 5000);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("HTTP 500"), std::string::npos) << *failure;
  }
  {
    WebhookReceiver receiver(0);
    const auto started = std::chrono::steady_clock::now();
    const auto failure = cli::PostWebhook(receiver.url(), json, 300);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("did not answer"), std::string::npos) << *failure;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  }
  for (const char* refused : {"ftp://127.0.0.1/x", "file:///etc/passwd", "http://", "127.0.0.1"}) {
    EXPECT_FALSE(cli::WebhookAddressAllowed(refused)) << refused;
    EXPECT_TRUE(cli::PostWebhook(refused, json, 300)) << refused;
  }
  EXPECT_TRUE(cli::WebhookAddressAllowed("HTTPS://example.org/hook"));
}

}  // namespace
