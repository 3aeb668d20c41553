#include "platform/DataError.h"

#include "platform/Dialogs.h"

namespace balvek::platform {

void ThrowDataError(WindowHandle owner, std::string_view text, std::string_view caption, std::uint32_t flags) {
  Dialogs().MessageBox(owner, text, caption, flags);
  throw DataError(std::string(text));
}

}  // namespace balvek::platform
