#include "analysis/EventCalls.h"

#include <vector>

#include "record/NumberText.h"
#include "script/ArgumentBlock.h"
#include "script/Invoke.h"

namespace balvek::analysis {
namespace {

using namespace script;
using record::Event;

// An array of the page made on the options object; VT_EMPTY (undefined in
// script) when it cannot be made, and the call is made all the same.
template <typename Elements>
Variant Array(Dispatch* options, const Elements& elements) {
  Variant array;
  CreateJSArray(options, elements, &array);
  return array;
}

Variant Doubles(Dispatch* options, std::span<const double> values) {
  std::vector<Variant> elements;
  elements.reserve(values.size());
  for (const double v : values) elements.push_back(Variant::R8(v));
  return Array(options, std::span<const Variant>(elements));
}

}  // namespace

record::EventMask EventCalls::Events() const {
  record::EventMask mask = 0;
  for (unsigned e = 0; e < record::kEventCount; ++e) {
    if (callbacks_.Has(static_cast<Callback>(kOnLogBegin + e))) mask |= record::EventBit(static_cast<Event>(e));
  }
  return mask;
}

// Each event: nothing and 0 without its callback, else its arguments in
// script order, one call, the arguments released after it.
std::int32_t EventCalls::OnLogBegin(const record::RecordInfo&, const record::Players&) {
  if (!callbacks_.Has(kOnLogBegin)) return 0;
  Dispatch* const players[] = {players_[0], players_[1], players_[2], players_[3]};
  ArgumentBlock args{Variant::Object(&info_),
                     Array(callbacks_.options.get(), std::span<Dispatch* const>(players))};
  return callbacks_.CallJSFunc(kOnLogBegin, args.params().rgvarg, args.params().cArgs, nullptr);
}

std::int32_t EventCalls::OnSceneBegin(std::span<const std::int32_t, 5> seed, std::span<const std::int32_t> dora) {
  if (!callbacks_.Has(kOnSceneBegin)) return 0;
  ArgumentBlock args{Variant::I4(seed[0]), Variant::I4(seed[1]), Variant::I4(seed[2]), Variant::I4(seed[3]),
                     Variant::I4(seed[4]), Array(callbacks_.options.get(), dora)};
  return callbacks_.CallJSFunc(kOnSceneBegin, args.params().rgvarg, args.params().cArgs, nullptr);
}

std::int32_t EventCalls::OnTsumo(std::int32_t who, std::int32_t hai) {
  if (!callbacks_.Has(kOnTsumo)) return 0;
  ArgumentBlock args{Variant::I4(who), Variant::I4(hai)};
  return callbacks_.CallJSFunc(kOnTsumo, args.params().rgvarg, args.params().cArgs, nullptr);
}

std::int32_t EventCalls::OnDahai(std::int32_t who, std::int32_t hai) {
  if (!callbacks_.Has(kOnDahai)) return 0;
  ArgumentBlock args{Variant::I4(who), Variant::I4(hai)};
  return callbacks_.CallJSFunc(kOnDahai, args.params().rgvarg, args.params().cArgs, nullptr);
}

std::int32_t EventCalls::OnNaki(const record::NakiEvent& e) {
  if (!callbacks_.Has(kOnNaki)) return 0;
  ArgumentBlock args{Variant::I4(e.who),    Variant::I4(e.m),      Variant::I4(e.type),   Variant::I4(e.from),
                     Variant::I4(e.hai[0]), Variant::I4(e.hai[1]), Variant::I4(e.hai[2]), Variant::I4(e.hai[3])};
  return callbacks_.CallJSFunc(kOnNaki, args.params().rgvarg, args.params().cArgs, nullptr);
}

std::int32_t EventCalls::OnDora(std::int32_t hai) {
  if (!callbacks_.Has(kOnDora)) return 0;
  ArgumentBlock args{Variant::I4(hai)};
  return callbacks_.CallJSFunc(kOnDora, args.params().rgvarg, args.params().cArgs, nullptr);
}

std::int32_t EventCalls::OnReach(std::int32_t who) {
  if (!callbacks_.Has(kOnReach)) return 0;
  ArgumentBlock args{Variant::I4(who)};
  return callbacks_.CallJSFunc(kOnReach, args.params().rgvarg, args.params().cArgs, nullptr);
}

std::int32_t EventCalls::OnAgari(const record::AgariEvent& e) {
  if (!callbacks_.Has(kOnAgari)) return 0;
  Dispatch* options = callbacks_.options.get();
  ArgumentBlock args{Variant::I4(e.who),        Variant::I4(e.ten[0]),          Variant::I4(e.ten[1]),
                     Variant::I4(e.ten[2]),     Array(options, e.yaku),         Array(options, e.yakuExtra),
                     Array(options, e.doraHaiUra), Doubles(options, e.sc),      Variant::I4(e.paoSeat),
                     Variant::I4(e.fromSeat)};
  return callbacks_.CallJSFunc(kOnAgari, args.params().rgvarg, args.params().cArgs, nullptr);
}

std::int32_t EventCalls::OnRyuukyoku(const record::RyuukyokuEvent& e) {
  if (!callbacks_.Has(kOnRyuukyoku)) return 0;
  // The page gets the sc values of a drawn round as integers, truncated.
  std::vector<std::int32_t> sc;
  sc.reserve(e.sc.size());
  for (const double v : e.sc) sc.push_back(record::TruncateToInt32(v));
  std::vector<Variant> tenpai;
  for (const bool flag : e.tenpai) tenpai.push_back(Variant::Bool(flag));
  Dispatch* options = callbacks_.options.get();
  const std::u16string kind(e.kind.begin(), e.kind.end());
  ArgumentBlock args{Variant::String(Bstr(kind)), Array(options, std::span<const std::int32_t>(sc)),
                     Array(options, std::span<const Variant>(tenpai))};
  return callbacks_.CallJSFunc(kOnRyuukyoku, args.params().rgvarg, args.params().cArgs, nullptr);
}

std::int32_t EventCalls::OnSceneEnd() {
  if (!callbacks_.Has(kOnSceneEnd)) return 0;
  return callbacks_.CallJSFunc(kOnSceneEnd, nullptr, 0, nullptr);
}

std::int32_t EventCalls::OnLogEnd(std::span<const double> owari) {
  if (!callbacks_.Has(kOnLogEnd)) return 0;
  ArgumentBlock args{Doubles(callbacks_.options.get(), owari)};
  return callbacks_.CallJSFunc(kOnLogEnd, args.params().rgvarg, args.params().cArgs, nullptr);
}

}  // namespace balvek::analysis
