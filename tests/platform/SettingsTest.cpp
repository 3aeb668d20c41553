#include "platform/Settings.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "platform/Folders.h"
#include "platform/ServiceHost.h"

namespace balvek::platform {
namespace {

using balvek::testing::ScopedEnv;
using balvek::testing::TempDir;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

constexpr const char* kFixture =
    "; kept as it is\n"
    "[Status]\n"
    "  game_home =  http://a.test/0/  \n"
    "SCRIPT_HOME=\n"
    "\n"
    "[LOG]\n"
    "PATH=/records\n"
    "[extra]\n"
    "unknown=1\n";

TEST(SettingsRead, NamesIgnoreCaseValuesAreTrimmedMissingGivesDefault) {
  TempDir dir;
  const SettingsFile settings(dir / "config.ini");
  EXPECT_EQ(settings.Read("STATUS", "GAME_HOME"), std::nullopt);  // no file yet
  WriteFile(settings.path(), kFixture);
  struct Case {
    const char *section, *key;
    std::optional<std::string> value;
  } cases[] = {
      {"STATUS", "GAME_HOME", "http://a.test/0/"},
      {"status", "Game_Home", "http://a.test/0/"},
      {"STATUS", "SCRIPT_HOME", ""},  // present and empty is not missing
      {"STATUS", "SCRIPT_INFO", std::nullopt},
      {"LOG", "PATH", "/records"},
      {"EXTRA", "UNKNOWN", "1"},
      {"NOPE", "PATH", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(settings.Read(c.section, c.key), c.value) << c.section << "/" << c.key;
  EXPECT_EQ(settings.Get("STATUS", "SCRIPT_HOME", "default"), "");
  EXPECT_EQ(settings.Get("STATUS", "SCRIPT_INFO", "default"), "default");
}

TEST(SettingsRead, LongValuesAreCutWithoutSplittingACharacter) {
  TempDir dir;
  const SettingsFile settings(dir / "config.ini");
  WriteFile(settings.path(), "[S]\nA=" + std::string(300, 'x') + "\nB=" + std::string(258, 'x') + "é\n");
  EXPECT_EQ(settings.Get("S", "A", ""), std::string(259, 'x'));
  EXPECT_EQ(settings.Get("S", "B", ""), std::string(258, 'x'));  // "é" is two bytes
  EXPECT_EQ(settings.Get("S", "A", "", 1023).size(), 300u);
}

TEST(SettingsWrite, ChangesOnlyItsOwnLine) {
  TempDir dir;
  const SettingsFile settings(dir / "config.ini");
  WriteFile(settings.path(), kFixture);

  ASSERT_TRUE(settings.Write("STATUS", "SCRIPT_INFO", "notes"));
  ASSERT_TRUE(settings.Write("status", "GAME_HOME", "http://b.test/"));
  ASSERT_TRUE(settings.Write("LOG", "PATH", std::nullopt));
  ASSERT_TRUE(settings.Write("NEW", "KEY", "v"));
  EXPECT_EQ(ReadFile(settings.path()),
            "; kept as it is\n"
            "[Status]\n"
            "GAME_HOME=http://b.test/\n"
            "SCRIPT_HOME=\n"
            "SCRIPT_INFO=notes\n"
            "\n"
            "[LOG]\n"
            "[extra]\n"
            "unknown=1\n"
            "[NEW]\n"
            "KEY=v\n");
}

TEST(SettingsWrite, CreatesTheFileAndKeepsItsLineBreaks) {
  TempDir dir;
  const SettingsFile settings(dir / "config.ini");
  ASSERT_TRUE(settings.Write("LOG", "PATH", std::nullopt));
  EXPECT_FALSE(PathExists(settings.path()));  // removing nothing creates nothing
  ASSERT_TRUE(settings.Write("LOG", "PATH", "/r"));
  EXPECT_EQ(ReadFile(settings.path()), "[LOG]\nPATH=/r\n");

  WriteFile(settings.path(), "[A]\r\nX=1");  // no line break at the end
  ASSERT_TRUE(settings.Write("A", "Y", "2"));
  ASSERT_TRUE(settings.Write("B", "Z", "3"));
  EXPECT_EQ(ReadFile(settings.path()), "[A]\r\nX=1\r\nY=2\r\n[B]\r\nZ=3\r\n");
}

TEST(SettingsWrite, AValueCannotAddLinesOrKeys) {
  TempDir dir;
  const SettingsFile settings(dir / "config.ini");
  ASSERT_TRUE(settings.Write("LOG", "PATH", "/mine"));
  ASSERT_TRUE(settings.Write("STATUS", "SCRIPT_INFO", "text\r\n[LOG]\r\nPATH=/elsewhere"));
  EXPECT_EQ(settings.Read("STATUS", "SCRIPT_INFO"), "text");
  EXPECT_EQ(settings.Read("LOG", "PATH"), "/mine");
  EXPECT_FALSE(settings.Write("LOG]\n[X", "PATH", "v"));
  EXPECT_FALSE(settings.Write("LOG", "PA=TH", "v"));
}

// Writers in two processes and two threads each: every key arrives, and a
// reader meanwhile never sees a file without its first section.
TEST(SettingsWrite, ConcurrentWritersLoseNothing) {
  TempDir dir;
  const SettingsFile settings(dir / "config.ini");
  ASSERT_TRUE(settings.Write("FIRST", "MARK", "1"));
  constexpr int kKeys = 40;
  auto write_keys = [&](const std::string& who) {
    for (int i = 0; i < kKeys; ++i)
      if (!settings.Write("W" + who, "K" + std::to_string(i), std::to_string(i))) return false;
    return true;
  };
  std::vector<pid_t> children;
  for (const char* who : {"p1", "p2"}) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      std::thread other([&] { write_keys(std::string(who) + "b"); });
      bool ok = write_keys(who);
      other.join();
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  int torn_reads = 0;
  for (bool running = true; running;) {
    if (settings.Read("FIRST", "MARK") != "1") ++torn_reads;
    running = false;
    for (pid_t pid : children) running |= waitpid(pid, nullptr, WNOHANG) == 0;
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
  }
  EXPECT_EQ(torn_reads, 0);
  for (const char* who : {"Wp1", "Wp1b", "Wp2", "Wp2b"})
    for (int i = 0; i < kKeys; ++i)
      EXPECT_EQ(settings.Read(who, "K" + std::to_string(i)), std::to_string(i)) << who << i;
}

TEST(Homes, DefaultsComeFromTheServiceHostAndEmptyIsKept) {
  TempDir dir;
  const SettingsFile settings(dir / "config.ini");
  ScopedEnv host("BALVEK_SERVICE_HOST", "svc.test:8080");
  EXPECT_EQ(GameHome(settings), "http://svc.test:8080/0/");
  EXPECT_EQ(ScriptHome(settings), "http://svc.test:8080/1/script/");
  EXPECT_EQ(RecordAddress("2011010512gm-00a9-0000-3f2b1c4d"),
            "http://svc.test:8080/0/log/?2011010512gm-00a9-0000-3f2b1c4d");

  ASSERT_TRUE(StoreGameHome("", settings));
  EXPECT_EQ(GameHome(settings), "");
  ASSERT_TRUE(StoreScriptHome(std::string(300, 'h'), settings));
  EXPECT_EQ(ScriptHome(settings), std::string(259, 'h'));
}

TEST(Homes, BuildDefaultWithoutOverride) {
  ScopedEnv host("BALVEK_SERVICE_HOST", nullptr);
  EXPECT_EQ(ServiceHost(), BALVEK_SERVICE_HOST_DEFAULT);
  EXPECT_EQ(ServiceHomeAddress(), std::string("http://") + BALVEK_SERVICE_HOST_DEFAULT + "/");
}

}  // namespace
}  // namespace balvek::platform
