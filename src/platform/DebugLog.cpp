#include "platform/DebugLog.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace balvek::platform {
namespace {

constexpr int kBufferSize = 1024;
constexpr int kNone = -1;

class DebugLogChannel {
 public:
  DebugLogChannel() {
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ == kNone) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(514);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      ::close(socket_);
      socket_ = kNone;
    }
  }

  // Under the lock, so that a write in progress on another thread finishes
  // before its descriptor is closed (and cannot be reused under it).
  ~DebugLogChannel() {
    std::lock_guard guard(lock_);
    if (socket_ != kNone) ::close(socket_);
    socket_ = kNone;
  }

  DebugLogChannel(const DebugLogChannel&) = delete;
  DebugLogChannel& operator=(const DebugLogChannel&) = delete;

  void Write(const char* format, va_list args) {
    char buffer[kBufferSize];
    std::lock_guard guard(lock_);
    const int formatted = std::vsnprintf(buffer, sizeof buffer, format, args);
    // A conversion error (-1) leaves nothing worth sending.
    if (formatted <= 0) return;
    const int length = formatted < kBufferSize ? formatted : kBufferSize - 1;
    if (socket_ != kNone) ::send(socket_, buffer, length + 1, MSG_NOSIGNAL | MSG_DONTWAIT);
  }

 private:
  std::mutex lock_;
  int socket_ = kNone;
};

}  // namespace

int DebugLog(const char* format, ...) {
  if (!format) return 0;
  // Made on the first call; a function-local static is safe even when two
  // threads make that call together.
  static DebugLogChannel channel;
  va_list args;
  va_start(args, format);
  channel.Write(format, args);
  va_end(args);
  return 0;
}

}  // namespace balvek::platform
