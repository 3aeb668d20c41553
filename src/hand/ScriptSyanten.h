#pragma once
// The shanten calculator as page script calls it through the external
// object: one script array or the values as separate arguments.
#include "script/Dispatch.h"
#include "script/Variant.h"

namespace balvek::hand {

// Up to 14 tile ids (0..135, 255 = no tile) -> VT_I4 shanten number.
script::HRESULT mjCalcSyanten14(script::DispParams& params, script::Variant* result);
// Up to 34 counts per kind (0..4) -> VT_I4 shanten number.
script::HRESULT mjCalcSyanten34(script::DispParams& params, script::Variant* result);

}  // namespace balvek::hand
