#pragma once
// Receives the client's diagnostic datagrams on 127.0.0.1:514 for one test.
// When another process holds the port the listener is not `bound()`, and the
// test should skip its log checks rather than fail.  Tests must link
// balvek_platform.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/DebugLog.h"

namespace balvek::testing {

class DebugLogListener {
 public:
  DebugLogListener() {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(514);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    // The channel's first line after a time without listener may only pick
    // up the earlier refusal and be lost: send a marker until one arrives.
    const std::string marker = "listener " + std::to_string(getpid()) + "\r\n";
    bool arrived = false;
    for (int attempt = 0; bound_ && attempt < 5 && !arrived; ++attempt) {
      platform::DebugLog("%s", marker.c_str());
      arrived = Saw(marker);
    }
    lines_.clear();
  }
  ~DebugLogListener() {
    if (fd_ >= 0) close(fd_);
  }
  DebugLogListener(const DebugLogListener&) = delete;
  DebugLogListener& operator=(const DebugLogListener&) = delete;

  bool bound() const { return bound_; }

  // Every line received so far (each datagram is one line and its zero byte).
  std::vector<std::string> Lines() {
    char buffer[2048];
    while (bound_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) break;
      ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      lines_.emplace_back(buffer, static_cast<std::size_t>(n) - (buffer[n - 1] == 0 ? 1 : 0));
    }
    return lines_;
  }

  bool Saw(const std::string& line) {
    for (const std::string& l : Lines())
      if (l == line) return true;
    return false;
  }

 private:
  int fd_ = -1;
  bool bound_ = false;
  std::vector<std::string> lines_;
};

}  // namespace balvek::testing
