#pragma once
// The replay's events as calls of the page's callbacks, with the record,
// player and hand objects and script arrays made on the options object.
#include <array>

#include "analysis/IDispatchLogInfoImpl.h"
#include "analysis/IDispatchPlayerImpl.h"
#include "analysis/LogAnaCallbacks.h"
#include "record/ReplaySink.h"

namespace balvek::analysis {

class EventCalls final : public record::ReplaySink {
 public:
  // The objects are the ones the replay fills; they outlive this.
  EventCalls(LogAnaCallbacks& callbacks, IDispatchLogInfoImpl& info,
             const std::array<IDispatchPlayerImpl*, 4>& players)
      : callbacks_(callbacks), info_(info), players_(players) {}

  // The events whose callback has an id.
  record::EventMask Events() const override;

  std::int32_t OnLogBegin(const record::RecordInfo&, const record::Players&) override;
  std::int32_t OnSceneBegin(std::span<const std::int32_t, 5> seed,
                            std::span<const std::int32_t> dora) override;
  std::int32_t OnTsumo(std::int32_t who, std::int32_t hai) override;
  std::int32_t OnDahai(std::int32_t who, std::int32_t hai) override;
  std::int32_t OnNaki(const record::NakiEvent& naki) override;
  std::int32_t OnDora(std::int32_t hai) override;
  std::int32_t OnReach(std::int32_t who) override;
  std::int32_t OnAgari(const record::AgariEvent& agari) override;
  std::int32_t OnRyuukyoku(const record::RyuukyokuEvent& ryuukyoku) override;
  std::int32_t OnSceneEnd() override;
  std::int32_t OnLogEnd(std::span<const double> owari) override;

 private:
  LogAnaCallbacks& callbacks_;
  IDispatchLogInfoImpl& info_;
  std::array<IDispatchPlayerImpl*, 4> players_;
};

}  // namespace balvek::analysis
