#include "net/DownloadClient.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>

#include "platform/DebugLog.h"
#include "platform/ServiceHost.h"

namespace balvek::net {
namespace {

// Neither a Windows platform id (0..2) nor a real one: this client runs on Linux.
constexpr int kOsPlatformId = 0;
constexpr std::size_t kBodyBlock = 8192;

// The digits at the start of `text`, saturating instead of wrapping.
std::uint64_t LeadingNumber(std::string_view text) {
  std::uint64_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    n = n > (std::numeric_limits<std::uint64_t>::max() - 9) / 10 ? std::numeric_limits<std::uint64_t>::max()
                                                                  : n * 10 + static_cast<unsigned>(c - '0');
  }
  return n;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A wait that ran out shows as EAGAIN (receive) or EINPROGRESS (connect).
int SocketError() {
  int e = errno;
  return e == EAGAIN || e == EWOULDBLOCK || e == EINPROGRESS ? ETIMEDOUT : e;
}

// A name is looked up forward; a numeric address must have a reverse entry,
// as the host lookup by address requires.
int Resolve(const std::string& host, in_addr& address) {
  if (!host.empty() && IsAsciiLetter(host[0])) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return kHostNotFound;
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return 0;
  }
  if (inet_pton(AF_INET, host.c_str(), &address) != 1) return kHostNotFound;
  sockaddr_in numeric{};
  numeric.sin_family = AF_INET;
  numeric.sin_addr = address;
  char name[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<sockaddr*>(&numeric), sizeof numeric, name, sizeof name, nullptr,
                  0, NI_NAMEREQD) != 0)
    return kHostNotFound;
  return 0;
}

void SetTimeouts(int socket, std::chrono::milliseconds timeout) {
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
  tv.tv_usec = static_cast<suseconds_t>(timeout.count() % 1000 * 1000);
  setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

ssize_t Receive(int socket, void* buffer, std::size_t size) {
  ssize_t n;
  do n = recv(socket, buffer, size, 0);
  while (n < 0 && errno == EINTR);
  return n;
}

}  // namespace

DownloadClient::DownloadClient(std::chrono::milliseconds timeout) : timeout_(timeout) {}

DownloadClient::~DownloadClient() { CloseSocket(); }

void DownloadClient::CloseSocket() {
  if (socket_ >= 0) close(socket_);
  socket_ = -1;
}

int DownloadClient::SendRequest(std::string_view url, int& status, std::uint32_t& content_length,
                                std::string& location) {
  CloseSocket();
  const std::string_view::size_type scheme = url.find("://");
  if (scheme == std::string_view::npos) return kInvalidArg;
  std::string_view rest = url.substr(scheme + 3);
  const std::string host(rest.substr(0, rest.find_first_of("/:")));
  rest.remove_prefix(host.size());
  std::uint16_t port = 80;
  if (!rest.empty() && rest.front() == ':') {
    rest.remove_prefix(1);
    std::string_view::size_type digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    port = static_cast<std::uint16_t>(LeadingNumber(rest.substr(0, digits)));
    rest.remove_prefix(digits);
  }
  const std::string_view path = !rest.empty() && rest.front() == '/' ? rest : std::string_view("/");

  socket_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket_ < 0) return SocketError();
  SetTimeouts(socket_, timeout_);

  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  if (int r = Resolve(host, peer.sin_addr); r != 0) return r;
  if (connect(socket_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
    int error = SocketError();
    platform::DebugLog("connect error=%d\r\n", error);
    return error;
  }

  // MSG_NOSIGNAL: a peer that has gone must not raise SIGPIPE in the client.
  const std::string request = BuildRequest(path, host);
  (void)send(socket_, request.data(), request.size(), MSG_NOSIGNAL);

  std::string header;
  for (;;) {
    char byte;
    ssize_t n = Receive(socket_, &byte, 1);
    if (n < 0) return SocketError();
    if (n == 0) return kInvalidHeader;
    header.push_back(byte);
    if (header.size() > kMaxHeaderBytes) return kInvalidHeader;
    if (header.size() >= 4 && header.compare(header.size() - 4, 4, "\r\n\r\n") == 0) break;
  }

  auto leading = [](std::string_view text, std::uint64_t max) {
    std::uint64_t n = LeadingNumber(text);
    return n > max ? max : n;
  };
  status = static_cast<int>(leading(GetHeaderValue(header, "HTTP/1.1 ", "\r\n"), INT32_MAX));
  if (status == 0) status = static_cast<int>(leading(GetHeaderValue(header, "HTTP/1.0 ", "\r\n"), INT32_MAX));
  content_length = static_cast<std::uint32_t>(
      leading(GetHeaderValue(header, "Content-Length: ", "\r\n"), UINT32_MAX));
  location = GetHeaderValue(header, "Location: ", "\r\n");
  return 0;
}

int DownloadClient::OpenUrl(std::string_view url) {
  std::string current(url);
  for (int requests_left = 10; requests_left > 0; --requests_left) {
    std::string location;
    int r = SendRequest(current, status_, content_length_, location);
    if (r != 0) return r;
    if (status_ == 200) return 0;
    if (status_ == 404) return kNotFound;
    // Every other answer redirects, to wherever its Location points.
    current = std::move(location);
  }
  return kTooManyRedirections;
}

int DownloadClient::Download(std::string_view url, std::string& body) {
  if (int r = OpenUrl(url); r != 0) return r;
  if (content_length_ > kMaxBodyBytes) return kBodyTooLarge;
  const std::size_t start = body.size();
  char block[kBodyBlock];
  for (;;) {
    const std::size_t received = body.size() - start;
    std::size_t want = sizeof block;
    if (content_length_ != 0) {
      if (received >= content_length_) break;
      // Bytes past the announced length are not the body: never read them.
      want = std::min<std::size_t>(want, content_length_ - received);
    }
    ssize_t n = Receive(socket_, block, want);
    if (n < 0) return SocketError();
    if (n == 0) {
      // A body shorter than announced is a broken download, not a record.
      if (content_length_ != 0) return kBodyCut;
      break;
    }
    if (received + static_cast<std::size_t>(n) > kMaxBodyBytes) return kBodyTooLarge;
    body.append(block, static_cast<std::size_t>(n));
  }
  return 0;
}

std::string GetHeaderValue(std::string_view header, std::string_view prefix, std::string_view end) {
  std::string_view::size_type at = header.find(prefix);
  if (at == std::string_view::npos) return {};
  at += prefix.size();
  std::string_view::size_type stop = header.find(end, at);
  if (stop == std::string_view::npos || stop == at) return {};
  return std::string(header.substr(at, stop - at));
}

std::string BuildRequest(std::string_view path, std::string_view host) {
  std::string request;
  request.append("GET ").append(path).append(" HTTP/1.0\r\n");
  request.append("User-Agent: Mozilla/4.0 (compatible; D-ORB BALVEK;")
      .append(OsVersionPart())
      .append(" ")
      .append(platform::ServiceHomeAddress())
      .append(")\r\n");
  request.append("Accept-Encoding: gzip, deflate\r\n");
  request.append("Host: ").append(host).append("\r\n");
  request.append("Balvek-Client-Type: download\r\n");
  request.append("\r\n");
  return request;
}

std::string OsVersionPart() {
  int major = 0, minor = 0, build = 0;
  utsname name{};
  if (uname(&name) == 0) std::sscanf(name.release, "%d.%d.%d", &major, &minor, &build);
  char text[64];
  std::snprintf(text, sizeof text, " OS%d/%d.%d.%d;", kOsPlatformId, major, minor, build);
  return text;
}

}  // namespace balvek::net
