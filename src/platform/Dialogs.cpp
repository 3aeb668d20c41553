#include "platform/Dialogs.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/Folders.h"

namespace balvek::platform {
namespace {

// Stands in for the caption the desktop gives a box that names none.
constexpr std::string_view kDefaultCaption = "Error";

class ConsoleDialogService final : public DialogService {
 public:
  int MessageBox(WindowHandle, std::string_view text, std::string_view caption, std::uint32_t flags) override {
    if (caption.empty()) caption = kDefaultCaption;
    std::fprintf(stderr, "[%.*s] %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    const std::optional<int> configured = Options().question_answer;
    if ((flags & MB_TYPEMASK) == MB_YESNO && configured) return *configured;
    return DefaultAnswer(flags);
  }

  std::optional<std::string> SaveFile(const SaveFileRequest& request) override {
    const std::optional<std::string> configured = Options().save_as;
    if (!configured) {
      std::fprintf(stderr, "[Save] %s: cancelled, no dialog on the console\n", request.title.c_str());
      return std::nullopt;
    }
    std::string path = *configured;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return Refuse(path, "no file name");
    if (!request.default_extension.empty() && name.find('.') == std::string::npos)
      path += "." + request.default_extension;
    if (request.existing_folder_only && !IsFolder(folder)) return Refuse(path, "the folder does not exist");
    if (PathExists(path)) {
      if (IsFolder(path)) return Refuse(path, "a folder of that name exists");
      if (request.refuse_read_only && IsReadOnly(path)) return Refuse(path, "the file is read-only");
      if (request.overwrite_prompt &&
          MessageBox(request.owner, path + " already exists.\r\nDo you want to replace it?", request.title,
                     MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return Refuse(path, "not replaced");
    }
    std::fprintf(stderr, "[Save] %s\n", path.c_str());
    return path;
  }

  ConsoleDialogOptions Options() {
    std::lock_guard guard(lock_);
    return options_;
  }
  void SetOptions(ConsoleDialogOptions options) {
    std::lock_guard guard(lock_);
    options_ = std::move(options);
  }

 private:
  static std::optional<std::string> Refuse(const std::string& path, const char* why) {
    std::fprintf(stderr, "[Save] %s: %s, cancelled\n", path.c_str(), why);
    return std::nullopt;
  }

  std::mutex lock_;
  ConsoleDialogOptions options_;
};

ConsoleDialogService console;
std::atomic<DialogService*> active{&console};

}  // namespace

int DefaultAnswer(std::uint32_t flags) {
  const bool second = (flags & MB_DEFBUTTON2) != 0;
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return second ? IDCANCEL : IDOK;
    case MB_YESNO:
      return second ? IDNO : IDYES;
    default:
      return IDOK;
  }
}

DialogService& Dialogs() { return *active.load(std::memory_order_acquire); }

DialogService* SetDialogService(DialogService* service) {
  return active.exchange(service ? service : &console, std::memory_order_acq_rel);
}

DialogService& ConsoleDialogs() { return console; }

void SetConsoleDialogOptions(ConsoleDialogOptions options) { console.SetOptions(std::move(options)); }

}  // namespace balvek::platform
