#include "platform/RecordFolderCheck.h"

#include <string>

#include "platform/Dialogs.h"
#include "platform/Folders.h"

namespace balvek::platform {
namespace {

std::string ParentOf(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

}  // namespace

bool CheckRecordFolder(WindowHandle owner, const SettingsFile& settings) {
  std::string path = settings.Get("LOG", "PATH", "");
  // Only a name under which nothing exists is replaced: a stored file or
  // read-only folder is the user's choice and stays, with the error below.
  if (!PathExists(path)) {
    path = GetLogPath(settings);
    if (!PathExists(path)) {
      std::string question = std::string(kRecordFolderQuestion) + path;
      if (Dialogs().MessageBox(owner, question, kRecordFolderCaption, MB_YESNO | MB_ICONQUESTION) ==
          IDYES) {
        // The documents folder may be missing on a fresh Linux account.
        CreateFolder(ParentOf(path));
        CreateFolder(path);
      }
    }
    settings.Write("LOG", "PATH", path);
  }
  if (IsWritableFolder(path)) return true;
  Dialogs().MessageBox(owner, kRecordFolderFailed, "", MB_OK | MB_ICONERROR);
  return false;
}

}  // namespace balvek::platform
