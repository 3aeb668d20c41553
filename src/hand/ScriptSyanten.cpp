#include "hand/ScriptSyanten.h"

#include <array>
#include <cstdint>

#include "hand/Syanten.h"
#include "platform/DebugLog.h"
#include "script/Invoke.h"

namespace balvek::hand {

namespace {

using script::HRESULT;

// Fills `values` from the argument block. Array form: one object, read with
// its length bounded to N, absent or non-integer elements giving `fallback`,
// no validation. Positional form: rgvarg[i] is value i (reverse script
// order), each a VT_I4 that `valid` accepts.
template <std::size_t N, class Valid>
HRESULT ReadValues(script::DispParams& params, std::array<std::int32_t, N>& values, std::int32_t fallback,
                   Valid valid) {
  values.fill(fallback);
  if (params.cArgs == 1 && params.rgvarg[0].Is(script::VT_DISPATCH)) {
    // A null object reads as an empty array.
    const script::Ref<script::Dispatch> array(params.rgvarg[0].dispatch());
    if (!array) return script::S_OK;
    std::uint32_t n = static_cast<std::uint32_t>(script::GetIntProperty(array.get(), u"length", -1));
    if (n > N) n = N;
    for (std::uint32_t i = 0; i < n; ++i)
      values[i] = script::GetIntElement(array.get(), static_cast<std::int32_t>(i), fallback);
    return script::S_OK;
  }
  for (std::size_t i = 0; i < params.cArgs && i < N; ++i) {
    const script::Variant& argument = params.rgvarg[i];
    if (!argument.Is(script::VT_I4)) return script::DISP_E_TYPEMISMATCH;
    if (!valid(argument.i4())) return script::E_FAIL;
    values[i] = argument.i4();
  }
  return script::S_OK;
}

}  // namespace

HRESULT mjCalcSyanten14(script::DispParams& params, script::Variant* result) {
  std::array<std::int32_t, kSlots> values;
  const HRESULT status =
      ReadValues(params, values, kNoTile, [](std::int32_t v) { return v == kNoTile || (v >= 0 && v < kTileIds); });
  if (script::Failed(status)) return status;
  platform::DebugLog("CalcSyanten14 %d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d\r\n", values[0], values[1], values[2],
                     values[3], values[4], values[5], values[6], values[7], values[8], values[9], values[10],
                     values[11], values[12], values[13]);
  // Negative or larger array elements are no tile, like 255.
  Slots slots;
  for (std::size_t i = 0; i < slots.size(); ++i)
    slots[i] = values[i] >= 0 && values[i] < kTileIds ? static_cast<std::uint8_t>(values[i]) : kNoTile;
  const int syanten = CalcSyanten(slots);
  if (result) *result = script::Variant::I4(syanten);
  return script::S_OK;
}

HRESULT mjCalcSyanten34(script::DispParams& params, script::Variant* result) {
  std::array<std::int32_t, kKinds> values;
  const HRESULT status = ReadValues(params, values, 0, [](std::int32_t v) { return v >= 0 && v <= 4; });
  if (script::Failed(status)) return status;
  CountVector counts;
  for (std::size_t i = 0; i < counts.size(); ++i) counts[i] = static_cast<std::uint8_t>(values[i] & 0xFF);
  const int syanten = CalcSyanten(counts);
  if (result) *result = script::Variant::I4(syanten);
  return script::S_OK;
}

}  // namespace balvek::hand
