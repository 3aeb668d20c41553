#pragma once
// Message boxes and the save-file dialog. The process has one active
// DialogService: GTK in the UI process, a forwarder in the web process, the
// console in the headless runner, a recording fake in tests.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

struct SaveFileRequest {
  WindowHandle owner = kNoWindow;
  std::string filter_name;        // e.g. "Text file"
  std::string filter_pattern;     // e.g. "*.txt"
  std::string default_extension;  // without the dot, e.g. "txt"
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
// DefaultAnswer; cancels every save dialog.
DialogService& ConsoleDialogs();

}  // namespace balvek::platform
