#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "platform/DebugLog.h"

namespace balvek::platform {
namespace {

// A datagram listener on 127.0.0.1:514 that keeps only what the channel of
// this process sends (other programs on the machine may log there too).
class LogListener : public ::testing::Test {
 protected:
  void SetUp() override {
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(socket_, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(514);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
      GTEST_SKIP() << "cannot listen on 127.0.0.1:514: " << std::strerror(errno);
    const timeval timeout{0, 300000};
    ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    // Find the channel's source port: a marker line, repeated because the
    // first send after a time without listener may report the earlier
    // refusal instead of going out.
    const std::string marker = "marker " + std::to_string(::getpid()) + "\r\n";
    for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
      DebugLog("%s", marker.c_str());
      while (port_ == 0) {
        sockaddr_in from{};
        const std::optional<std::string> datagram = ReceiveAny(&from);
        if (!datagram) break;
        if (*datagram == marker + '\0') port_ = from.sin_port;
      }
    }
    ASSERT_NE(port_, 0) << "the channel's marker never arrived";
  }

  void TearDown() override {
    if (socket_ >= 0) ::close(socket_);
  }

  // The next datagram of this process's channel, or nothing on time-out.
  std::optional<std::string> Receive() {
    for (;;) {
      sockaddr_in from{};
      std::optional<std::string> datagram = ReceiveAny(&from);
      if (!datagram || from.sin_port == port_) return datagram;
    }
  }

 private:
  std::optional<std::string> ReceiveAny(sockaddr_in* from) {
    char buffer[4096];
    socklen_t length = sizeof *from;
    const ssize_t n = ::recvfrom(socket_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(from), &length);
    if (n < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(n));
  }

  int socket_ = -1;
  in_port_t port_ = 0;
};

TEST_F(LogListener, OneDatagramPerLineWithItsZeroByte) {
  struct Case {
    std::string text;
    std::string datagram;
  };
  const std::string long1023(1023, 'a');
  std::string long1500(1500, 'b');
  long1500[1022] = 'c';
  const Case cases[] = {
      {"--- BALVEK\r\n", std::string("--- BALVEK\r\n\0", 13)},
      {"no line end", std::string("no line end\0", 12)},
      {long1023, long1023 + '\0'},
      {long1500, long1500.substr(0, 1023) + '\0'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DebugLog("%s", c.text.c_str()), 0);
    EXPECT_EQ(Receive(), c.datagram) << c.text.size();
  }
}

TEST_F(LogListener, FormatsItsArguments) {
  DebugLog("STARTGAME url=%s wParam=%X\r\n", "http://x/?a", 0xBEEFu);
  EXPECT_EQ(Receive(), std::string("STARTGAME url=http://x/?a wParam=BEEF\r\n") + '\0');
  DebugLog("%s UNKNOWN Invoke dispid=%d/0x%0X cArg=%d", "IDispatchTehaiImpl", -5, 0xFFFFFFFBu, 2);
  EXPECT_EQ(Receive(), std::string("IDispatchTehaiImpl UNKNOWN Invoke dispid=-5/0xFFFFFFFB cArg=2") + '\0');
}

TEST_F(LogListener, EmptyTextSendsNothing) {
  EXPECT_EQ(DebugLog("%s", ""), 0);
  EXPECT_EQ(DebugLog(nullptr), 0);
  DebugLog("after\r\n");
  EXPECT_EQ(Receive(), std::string("after\r\n") + '\0');
}

TEST_F(LogListener, LinesOfTwoThreadsArriveWhole) {
  // Few enough lines that the channel's send buffer holds them all even if
  // this listener falls behind: the channel drops lines rather than wait.
  constexpr int kLines = 60;
  std::set<std::string> expected;
  for (int writer = 0; writer < 2; ++writer)
    for (int i = 0; i < kLines; ++i)
      expected.insert("writer " + std::to_string(writer) + " line " + std::to_string(i) + " " +
                      std::string(64, static_cast<char>('x' + writer)) + "\r\n" + '\0');
  auto write = [](int writer) {
    for (int i = 0; i < kLines; ++i)
      DebugLog("writer %d line %d %s\r\n", writer, i, std::string(64, static_cast<char>('x' + writer)).c_str());
  };
  std::thread first(write, 0);
  std::thread second(write, 1);
  std::set<std::string> received;
  while (received.size() < expected.size()) {
    const std::optional<std::string> datagram = Receive();
    if (!datagram) break;
    EXPECT_TRUE(expected.count(*datagram)) << *datagram;
    received.insert(*datagram);
  }
  first.join();
  second.join();
  EXPECT_EQ(received, expected);
}

TEST(DebugLogTest, WithoutListenerEveryCallStillReturnsZero) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(DebugLog("nobody listens %d\r\n", i), 0);
  EXPECT_EQ(DebugLog(nullptr), 0);
}

}  // namespace
}  // namespace balvek::platform
