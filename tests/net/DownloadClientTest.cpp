#include "net/DownloadClient.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "fakes/DebugLogListener.h"
#include "fakes/ScopedEnv.h"
#include "net/TestHttpServer.h"

namespace balvek::net {
namespace {

using balvek::testing::TestHttpServer;
using std::chrono::milliseconds;

constexpr milliseconds kShortTimeout{300};

std::string Ok(std::string_view body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
         std::string(body);
}

TEST(DownloadClientRequest, SendsTheFixedRequestBytes) {
  balvek::testing::ScopedEnv host("BALVEK_SERVICE_HOST", "home.test");
  TestHttpServer server([](int fd, const std::string&) { TestHttpServer::Send(fd, Ok("x")); });
  std::string body;
  ASSERT_EQ(DownloadClient(kShortTimeout).Download(server.base() + "/0/log/?abc", body), 0);

  utsname name{};
  ASSERT_EQ(uname(&name), 0);
  // "6.1.0-18-amd64" -> 6.1.0; a release without a third number has build 0.
  unsigned numbers[3] = {0, 0, 0};
  ASSERT_GE(std::sscanf(name.release, "%u.%u.%u", &numbers[0], &numbers[1], &numbers[2]), 2);
  const std::string os = " OS0/" + std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
                         std::to_string(numbers[2]) + ";";
  EXPECT_EQ(server.requests().at(0),
            "GET /0/log/?abc HTTP/1.0\r\n"
            "User-Agent: Mozilla/4.0 (compatible; D-ORB BALVEK;" + os + " http://home.test/)\r\n"
            "Accept-Encoding: gzip, deflate\r\n"
            "Host: 127.0.0.1\r\n"
            "Balvek-Client-Type: download\r\n"
            "\r\n");
}

TEST(DownloadClientRequest, PathDefaultsToRootAndNamesAreLookedUp) {
  TestHttpServer server([](int fd, const std::string&) { TestHttpServer::Send(fd, Ok("x")); });
  struct Case {
    std::string url, request_line, host_line;
  } cases[] = {
      {server.base(), "GET / HTTP/1.0\r\n", "Host: 127.0.0.1\r\n"},
      {server.base() + "?q=1", "GET / HTTP/1.0\r\n", "Host: 127.0.0.1\r\n"},
      {"http://localhost:" + std::to_string(server.port()) + "/a/b?c", "GET /a/b?c HTTP/1.0\r\n",
       "Host: localhost\r\n"},
  };
  for (const Case& c : cases) {
    std::string body;
    EXPECT_EQ(DownloadClient(kShortTimeout).Download(c.url, body), 0) << c.url;
    const std::string request = server.requests().back();
    EXPECT_EQ(request.substr(0, c.request_line.size()), c.request_line) << c.url;
    EXPECT_NE(request.find(c.host_line), std::string::npos) << c.url;
  }
}

// One answer per connection, chosen by the test.
struct ResponseCase {
  const char* name;
  std::function<void(int fd)> answer;
  int result;
  std::string body;
};

TEST(DownloadClientResponse, ResultAndBodyPerAnswer) {
  const std::string header_4095 = "HTTP/1.1 200 OK\r\nX: " + std::string(4095 - 24, 'a') + "\r\n\r\n";
  const std::string header_4096 = "HTTP/1.1 200 OK\r\nX: " + std::string(4096 - 24, 'a') + "\r\n\r\n";
  ASSERT_EQ(header_4095.size(), 4095u);
  ASSERT_EQ(header_4096.size(), 4096u);
  const ResponseCase cases[] = {
      {"length given", [](int fd) { TestHttpServer::Send(fd, Ok("\x1f\x8b body")); }, 0, "\x1f\x8b body"},
      {"no length: until close",
       [](int fd) { TestHttpServer::Send(fd, "HTTP/1.0 200 OK\r\n\r\nall of it"); }, 0, "all of it"},
      {"length zero: until close",
       [](int fd) { TestHttpServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nrest"); }, 0,
       "rest"},
      {"other letter case is no length",
       [](int fd) { TestHttpServer::Send(fd, "HTTP/1.1 200 OK\r\ncontent-length: 2\r\n\r\nabcdef"); }, 0,
       "abcdef"},
      {"bytes after the length are not body",
       [](int fd) { TestHttpServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcXYZ"); }, 0,
       "abc"},
      {"closed before the length", 
       [](int fd) { TestHttpServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"); },
       kBodyCut, "abc"},
      {"404 reads no body",
       [](int fd) { TestHttpServer::Send(fd, "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\nnope"); },
       kNotFound, ""},
      {"500 without location",
       [](int fd) { TestHttpServer::Send(fd, "HTTP/1.1 500 Oops\r\n\r\n"); }, kInvalidArg, ""},
      {"relative redirect",
       [](int fd) { TestHttpServer::Send(fd, "HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\n\r\n"); },
       kInvalidArg, ""},
      {"no status line", [](int fd) { TestHttpServer::Send(fd, "hello\r\n\r\n"); }, kInvalidArg, ""},
      {"header of 4095 bytes", [&](int fd) { TestHttpServer::Send(fd, header_4095 + "b"); }, 0, "b"},
      {"header of 4096 bytes", [&](int fd) { TestHttpServer::Send(fd, header_4096 + "b"); },
       kInvalidHeader, ""},
      {"header that never ends",
       [](int fd) {
         TestHttpServer::Send(fd, "HTTP/1.1 200 OK\r\n");
         for (int i = 0; i < 1000; ++i) TestHttpServer::Send(fd, "X-Y: z\r\n");
       },
       kInvalidHeader, ""},
      {"closed inside the header",
       [](int fd) { TestHttpServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-"); }, kInvalidHeader, ""},
      {"silent inside the header",
       [](int fd) {
         TestHttpServer::Send(fd, "HTTP/1.1 200 OK\r\n");
         TestHttpServer::AwaitClientClose(fd, std::chrono::seconds(3));
       },
       ETIMEDOUT, ""},
      {"silent inside the body",
       [](int fd) {
         TestHttpServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst");
         TestHttpServer::AwaitClientClose(fd, std::chrono::seconds(3));
       },
       ETIMEDOUT, "first"},
      {"reset inside the header",
       [](int fd) {
         TestHttpServer::Send(fd, "HTTP/1.1 200");
         TestHttpServer::Reset(fd);
       },
       ECONNRESET, ""},
      {"reset inside the body",
       [](int fd) {
         TestHttpServer::Send(fd, "HTTP/1.1 200 OK\r\n\r\nsome");
         std::this_thread::sleep_for(milliseconds(50));  // let the body arrive before the reset
         TestHttpServer::Reset(fd);
       },
       ECONNRESET, ""},  // whether "some" is read before the reset is the kernel's affair
      {"announced body past the limit",
       [](int fd) { TestHttpServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 999999999\r\n\r\nab"); },
       kBodyTooLarge, ""},
  };
  for (const ResponseCase& c : cases) {
    TestHttpServer server([&](int fd, const std::string&) { c.answer(fd); });
    std::string body;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DownloadClient(kShortTimeout).Download(server.base() + "/r", body), c.result) << c.name;
    if (c.result == 0) {
      EXPECT_EQ(body, c.body) << c.name;
    } else {
      // A failed download may have taken some body bytes; the caller drops them.
      EXPECT_EQ(body.substr(0, c.body.size()), c.body) << c.name;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.name;
  }
}

TEST(DownloadClientRedirect, FullAddressIsFollowed) {
  TestHttpServer target([](int fd, const std::string& request) {
    ASSERT_EQ(request.rfind("GET /final HTTP/1.0\r\n", 0), 0u);
    TestHttpServer::Send(fd, Ok("there"));
  });
  const std::string location = target.base() + "/final";
  TestHttpServer first([&](int fd, const std::string&) {
    TestHttpServer::Send(fd, "HTTP/1.1 301 Moved\r\nLocation: " + location + "\r\n\r\n");
  });
  std::string body;
  EXPECT_EQ(DownloadClient(kShortTimeout).Download(first.base() + "/start", body), 0);
  EXPECT_EQ(body, "there");
  EXPECT_EQ(target.requests().size(), 1u);
}

TEST(DownloadClientRedirect, GivesUpAfterTenAnswers) {
  // Each answer sends the client one step further; the eleventh is never asked.
  std::string base;
  TestHttpServer server([&](int fd, const std::string& request) {
    const int step = std::atoi(request.c_str() + 5);  // "GET /<n> ..."
    TestHttpServer::Send(fd, "HTTP/1.1 302 Found\r\nLocation: " + base + "/" + std::to_string(step + 1) +
                                 "\r\n\r\n");
  });
  base = server.base();
  DownloadClient client(kShortTimeout);
  EXPECT_EQ(client.OpenUrl(base + "/0"), kTooManyRedirections);
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 10u);
  EXPECT_EQ(requests.back().rfind("GET /9 HTTP/1.0\r\n", 0), 0u);
}

TEST(DownloadClientConnect, FailuresReturnTheirCodes) {
  int closed_port;
  {
    TestHttpServer gone([](int, const std::string&) {});
    closed_port = gone.port();
  }
  std::string body;
  balvek::testing::DebugLogListener log;
  EXPECT_EQ(DownloadClient(kShortTimeout).Download("http://127.0.0.1:" + std::to_string(closed_port) + "/", body),
            ECONNREFUSED);
  if (log.bound()) {
    EXPECT_TRUE(log.Saw("connect error=" + std::to_string(ECONNREFUSED) + "\r\n"));
  }
  EXPECT_EQ(DownloadClient(kShortTimeout).Download("127.0.0.1/no-scheme", body), kInvalidArg);
  EXPECT_EQ(DownloadClient(kShortTimeout).Download("http://1.2.3/", body), kHostNotFound);
}

TEST(GetHeaderValue, FindsTheFirstPrefixAnywhere) {
  struct Case {
    const char *header, *prefix, *end, *value;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nLocation: http://a/\r\n\r\n", "Location: ", "\r\n", "http://a/"},
      {"HTTP/1.1 200 OK\r\n\r\n", "Location: ", "\r\n", ""},
      {"HTTP/1.1 200 OK\r\nLocation: \r\n\r\n", "Location: ", "\r\n", ""},
      {"HTTP/1.1 200 OK\r\nX-Location: inner\r\n\r\n", "Location: ", "\r\n", "inner"},
      {"HTTP/1.1 200 OK\r\nlocation: lower\r\n\r\n", "Location: ", "\r\n", ""},
      {"Content-Length: 12", "Content-Length: ", "\r\n", ""},
      {"A: 1\r\nA: 2\r\n", "A: ", "\r\n", "1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetHeaderValue(c.header, c.prefix, c.end), c.value) << c.header;
}

}  // namespace
}  // namespace balvek::net
