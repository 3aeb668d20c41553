#pragma once
// Errors in the data (a malformed record, an impossible hand, a failed
// download): the user sees a message box, then the work in progress ends by
// this exception; the replay or the worker turns it into a status and the
// process goes on.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/WindowHandle.h"

namespace balvek::platform {

class DataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Shows `text` through Dialogs() (owner, caption and flags as for
// DialogService::MessageBox), then throws DataError carrying `text`.
[[noreturn]] void ThrowDataError(WindowHandle owner, std::string_view text, std::string_view caption,
                                 std::uint32_t flags);

}  // namespace balvek::platform
