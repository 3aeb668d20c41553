#include "platform/Dialogs.h"

#include <atomic>
#include <cstdio>

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
    return DefaultAnswer(flags);
  }

  std::optional<std::string> SaveFile(const SaveFileRequest& request) override {
    std::fprintf(stderr, "[Save] %s (%s): cancelled, no dialog on the console\n", request.filter_name.c_str(),
                 request.filter_pattern.c_str());
    return std::nullopt;
  }
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

}  // namespace balvek::platform
