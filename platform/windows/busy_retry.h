// Waiting for a busy mail client. While Outlook starts or loads its profile
// it rejects incoming calls (SERVERCALL_REJECTED, SERVERCALL_RETRYLATER); a
// rejected call has not run, so it may be made again. The run makes it again
// after a pause, in two places: the apartment's message filter, which Windows
// asks what to do with a rejection, and the program's own loop around each
// call, which sees the rejections the filter gave up on (and all of them under
// Wine, which never asks the filter). Both take their pauses from one budget,
// so a run never waits more than kLimitMs in all.
//
// Pure code, no Windows header: the loop and the filter's answer run on any
// host with a test's own sleep.
#pragma once

#include <cstdint>

namespace wrenpost {

// Whether a call was rejected by a busy server (RPC_E_CALL_REJECTED,
// RPC_E_SERVERCALL_RETRYLATER): it did not run and may be made again.
bool IsBusyResult(std::int32_t hresult);

// The pauses a run may spend on a busy mail client, over all its calls.
class BusyBudget {
 public:
  static constexpr std::uint32_t kLimitMs = 30000;
  static constexpr std::uint32_t kPauseMs = 250;

  // Grants one more pause before the next try and charges it, while all the
  // pauses granted so far, this one included, fit in the limit.
  bool GrantPause();
  std::uint32_t spent_ms() const { return spent_ms_; }

 private:
  std::uint32_t spent_ms_ = 0;
};

// IMessageFilter::RetryRejectedCall's answer for a call the server rejected as
// `reject_type` (SERVERCALL_REJECTED 1, SERVERCALL_RETRYLATER 2): the pause
// before COM makes it again, charged to `budget`, or kCancelRetry (the call
// then fails with the rejection) once the budget is spent or for any other type.
inline constexpr std::uint32_t kCancelRetry = 0xFFFFFFFF;
std::uint32_t RetryDelay(BusyBudget& budget, std::uint32_t reject_type);

// Makes `call` (returning an HRESULT) again after `pause(kPauseMs)` while a
// busy server rejects it and `budget` grants a pause; returns the last result.
template <typename Call, typename Pause>
auto CallWhileBusy(BusyBudget& budget, Call&& call, Pause&& pause) {
  for (;;) {
    const auto result = call();
    if (!IsBusyResult(static_cast<std::int32_t>(result)) || !budget.GrantPause()) return result;
    pause(BusyBudget::kPauseMs);
  }
}

}  // namespace wrenpost
