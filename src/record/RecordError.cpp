#include "record/RecordError.h"

#include "platform/DataError.h"
#include "platform/Dialogs.h"

namespace balvek::record {

void FailRecord(const std::string& text, std::uint32_t icon) {
  platform::ThrowDataError(platform::kNoWindow, text, "", icon);
}

void FailBadTile(std::int32_t tile, std::string_view node) {
  FailRecord("INVALID HAI " + std::to_string(tile) + "\r\n" + std::string(node) + "\r\n",
             platform::MB_ICONERROR);
}

void FailBadSeat(std::int32_t seat, std::string_view node) {
  FailRecord("INVALID SEAT " + std::to_string(seat) + "\r\n" + std::string(node) + "\r\n",
             platform::MB_ICONERROR);
}

}  // namespace balvek::record
