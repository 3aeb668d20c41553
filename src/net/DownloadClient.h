#pragma once
// A small blocking HTTP/1.0 client for record downloads: one connection per
// request, a fixed request text, the response header read one byte at a time
// so that no body byte is taken from the socket before Download reads it,
// redirections followed, and the body kept exactly as it arrived.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace balvek::net {

// Results of Download and OpenUrl besides 0 (body received) and positive
// errno values of failed socket calls (ETIMEDOUT for a wait that ran out).
inline constexpr int kNotFound = 2;                // the server answered 404
inline constexpr int kTooManyRedirections = 12;    // ten answers neither 200 nor 404
inline constexpr int kInvalidArg = static_cast<int>(0x80070057);         // no "://"
inline constexpr int kInvalidHeader = static_cast<int>(0x80010111);      // header too long or cut
inline constexpr int kBodyTooLarge = static_cast<int>(0x8007000E);       // past kMaxBodyBytes
inline constexpr int kBodyCut = static_cast<int>(0x80070026);            // closed before Content-Length
inline constexpr int kHostNotFound = 11001;  // the lookup found no address (WSAHOST_NOT_FOUND)

inline constexpr std::size_t kMaxHeaderBytes = 4095;
// No record comes near this; it keeps a hostile endless body from eating memory.
inline constexpr std::size_t kMaxBodyBytes = 64u << 20;
inline constexpr std::chrono::milliseconds kDefaultTimeout{10000};

class DownloadClient {
 public:
  // `timeout` bounds every wait to send, connect or receive.
  explicit DownloadClient(std::chrono::milliseconds timeout = kDefaultTimeout);
  ~DownloadClient();
  DownloadClient(const DownloadClient&) = delete;
  DownloadClient& operator=(const DownloadClient&) = delete;

  // Fetches `url` and appends the response body to `body`.
  int Download(std::string_view url, std::string& body);
  // Sends requests, following redirections, until an answer 200 or 404;
  // leaves the socket at the first byte of the body.
  int OpenUrl(std::string_view url);
  // One connection, one request, the response header.
  int SendRequest(std::string_view url, int& status, std::uint32_t& content_length,
                  std::string& location);

  int status() const { return status_; }
  std::uint32_t content_length() const { return content_length_; }

 private:
  void CloseSocket();

  std::chrono::milliseconds timeout_;
  int status_ = 0;
  std::uint32_t content_length_ = 0;
  int socket_ = -1;
};

// The bytes between the first `prefix` (exact bytes, anywhere) and the next
// `end`; empty when either is missing or nothing stands between them.
std::string GetHeaderValue(std::string_view header, std::string_view prefix, std::string_view end);

// The request text for `path` on `host` (without port).
std::string BuildRequest(std::string_view path, std::string_view host);

// " OS%d/%d.%d.%d;" with the system's platform id and its kernel release
// numbers from uname ("6.1.0-18-amd64" gives 6.1.0).
std::string OsVersionPart();

}  // namespace balvek::net
