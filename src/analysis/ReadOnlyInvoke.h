#pragma once
// The read rule of the record objects: only property reads with a result
// slot, everything else refused before the member id is looked at.
#include <cstdint>

#include "script/Dispatch.h"
#include "script/Variant.h"

namespace balvek::analysis {

// DISP_E_ARRAYISLOCKED for a call form other than a read with a slot; else
// S_OK with the slot initialised.
inline script::HRESULT ReadOnlyAccess(std::uint16_t wFlags, script::Variant* result) {
  if (!result || !(wFlags & script::DISPATCH_PROPERTYGET)) return script::DISP_E_ARRAYISLOCKED;
  result->Clear();
  return script::S_OK;
}

}  // namespace balvek::analysis
