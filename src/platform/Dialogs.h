#pragma once
// Message boxes and the save-file dialog. The process has one active
// DialogService: GTK in the UI process, a forwarder in the web process, the
// console in the headless runner, a recording fake in tests.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowHandle.h"

namespace balvek::platform {

// Button, icon and answer values as the automation platform numbers them, so
// that a start-up failure can return the answer as the exit code.
enum MessageBoxFlags : std::uint32_t {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNO = 0x4,
  MB_TYPEMASK = 0xF,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_DEFBUTTON2 = 0x100,
};
enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct FileFilter {
  std::string name;     // e.g. "Text File(*.txt)"
  std::string pattern;  // e.g. "*.txt"
};

struct SaveFileRequest {
  WindowHandle owner = kNoWindow;
  std::string title;  // empty: the dialog's own title
  std::vector<FileFilter> filters;
  std::size_t selected_filter = 0;  // index into filters
  // Added to a chosen name that has no extension; without the dot, e.g. "txt".
  std::string default_extension;
  bool overwrite_prompt = true;      // ask before replacing an existing file
  bool existing_folder_only = true;  // the chosen file's folder must exist
  bool refuse_read_only = true;      // an existing file this user may not write is refused
};

class DialogService {
 public:
  virtual ~DialogService() = default;
  // caption empty: the system's default caption.
  virtual int MessageBox(WindowHandle owner, std::string_view text,
                         std::string_view caption, std::uint32_t flags) = 0;
  // The chosen path (UTF-8), or nothing when the user cancels. The dialog
  // asks before overwriting and accepts only existing folders.
  virtual std::optional<std::string> SaveFile(const SaveFileRequest& request) = 0;
};

// The answer of the button that has the focus when the box opens: the first
// one, or the second with MB_DEFBUTTON2.
int DefaultAnswer(std::uint32_t flags);

// The active service; the console one until SetDialogService replaces it.
DialogService& Dialogs();
// Installs `service` (not owned; null means the console one) and returns the
// one it replaces.
DialogService* SetDialogService(DialogService* service);
// The console service: prints each box to stderr and answers with
// DefaultAnswer, or with the configured answer for yes/no questions. A save
// dialog is cancelled unless a path is configured; that path is then checked
// as the request says (folder, read-only file, overwrite question).
DialogService& ConsoleDialogs();

struct ConsoleDialogOptions {
  std::optional<int> question_answer;  // IDYES or IDNO for MB_YESNO boxes
  std::optional<std::string> save_as;  // the answer of every save dialog
};
void SetConsoleDialogOptions(ConsoleDialogOptions options);

}  // namespace balvek::platform
