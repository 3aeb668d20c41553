#pragma once
// A real HTTP server on 127.0.0.1 for the download tests. Each connection
// gets the request read up to its blank line, then the test's handler
// decides what the socket sees: a scripted answer, silence, a reset.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace balvek::testing {

class TestHttpServer {
 public:
  // `handler` answers one connection: the socket and the request's text.
  using Handler = std::function<void(int fd, const std::string& request)>;

  explicit TestHttpServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("test server cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }

  ~TestHttpServer() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
  }

  std::uint16_t port() const { return port_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

  std::vector<std::string> requests() const {
    std::lock_guard guard(mutex_);
    return requests_;
  }

  // Writes every byte of `data`; a peer that has gone ends it quietly.
  static void Send(int fd, std::string_view data) {
    while (!data.empty()) {
      ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
      if (n <= 0) return;
      data.remove_prefix(static_cast<std::size_t>(n));
    }
  }

  // Waits, at most `limit`, until the client closes its end.
  static void AwaitClientClose(int fd, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char byte;
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 50) > 0 && recv(fd, &byte, 1, 0) <= 0) return;
    }
  }

  // Closes with a reset (RST) instead of an orderly end.
  static void Reset(int fd) {
    linger hard{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  }

 private:
  void Serve() {
    for (;;) {
      int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) return;  // shut down
      if (stopping_) {
        close(fd);
        return;
      }
      std::string request = ReadRequest(fd);
      {
        std::lock_guard guard(mutex_);
        requests_.push_back(request);
      }
      handler_(fd, request);
      close(fd);
    }
  }

  // The request up to its blank line; a client that sends less gives up
  // after two seconds.
  static std::string ReadRequest(int fd) {
    std::string request;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    char block[1024];
    while (request.find("\r\n\r\n") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      ssize_t n = recv(fd, block, sizeof block, 0);
      if (n <= 0) break;
      request.append(block, static_cast<std::size_t>(n));
    }
    return request;
  }

  Handler handler_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace balvek::testing
