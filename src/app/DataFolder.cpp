#include "app/DataFolder.h"

#include <unistd.h>

#include <atomic>
#include <climits>
#include <string>

#include "platform/DebugLog.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"

namespace balvek::app {

namespace {

std::atomic<bool> gameClientMode{true};

// The file name without its folder and its extension.
std::string ProgramStem(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

bool GameClientMode() { return gameClientMode; }

std::string ProgramPath() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

bool EnterDataFolder(const std::string& programPath) {
  const std::string base = platform::LocalAppDataFolder();
  platform::CreateFolder(base);
  if (!platform::IsFolder(base)) {
    platform::Dialogs().MessageBox(platform::kNoWindow, "CSIDL_LOCAL_APPDATA failed", "BALVEK", platform::MB_OK);
    return false;
  }
  const std::string data = platform::PrepareDataFolder();
  char current[PATH_MAX] = {};
  if (!getcwd(current, sizeof current)) current[0] = '\0';
  platform::DebugLog("%s\r\n%s\r\n", current, data.c_str());
  const bool inDataFolder = data == current;
  if (!inDataFolder) {
    // A failure to change is not reported: the client goes on where it is.
    [[maybe_unused]] const int changed = chdir(data.c_str());
  }
  gameClientMode = !(inDataFolder && ProgramStem(programPath) == "logana");
  platform::DebugLog("--- BALVEK\r\n");
  return true;
}

}  // namespace balvek::app
