#include "platform/windows/busy_retry.h"

namespace wrenpost {
namespace {

constexpr std::uint32_t kCallRejected = 0x80010001;      // RPC_E_CALL_REJECTED
constexpr std::uint32_t kRetryLater = 0x8001010A;        // RPC_E_SERVERCALL_RETRYLATER
constexpr std::uint32_t kServerCallRejected = 1;         // SERVERCALL_REJECTED
constexpr std::uint32_t kServerCallRetryLater = 2;       // SERVERCALL_RETRYLATER

}  // namespace

bool IsBusyResult(std::int32_t hresult) {
  const auto code = static_cast<std::uint32_t>(hresult);
  return code == kCallRejected || code == kRetryLater;
}

bool BusyBudget::GrantPause() {
  if (spent_ms_ + kPauseMs > kLimitMs) return false;
  spent_ms_ += kPauseMs;
  return true;
}

std::uint32_t RetryDelay(BusyBudget& budget, std::uint32_t reject_type) {
  if (reject_type != kServerCallRejected && reject_type != kServerCallRetryLater) return kCancelRetry;
  return budget.GrantPause() ? BusyBudget::kPauseMs : kCancelRetry;
}

}  // namespace wrenpost
