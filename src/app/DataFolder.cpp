#include "app/DataFolder.h"

#include <unistd.h>

#include <climits>
#include <string>

#include "platform/DebugLog.h"
#include "platform/Folders.h"

namespace balvek::app {

bool EnterDataFolder() {
  const std::string base = platform::LocalAppDataFolder();
  platform::CreateFolder(base);
  if (!platform::IsFolder(base)) return false;
  const std::string data = platform::PrepareDataFolder();
  char current[PATH_MAX] = {};
  if (!getcwd(current, sizeof current)) current[0] = '\0';
  platform::DebugLog("%s\r\n%s\r\n", current, data.c_str());
  if (data != current) {
    // A failure to change is not reported: the client goes on where it is.
    [[maybe_unused]] const int changed = chdir(data.c_str());
  }
  return true;
}

}  // namespace balvek::app
