// COM automation of the mail client, late-bound through IDispatch.
#pragma once

#include <windows.h>
// after windows.h
#include <ole2.h>

#include "platform/automation.h"
#include "platform/windows/automation_error.h"
#include "platform/windows/busy_retry.h"

namespace wrenpost {

// Creates objects as a script's CreateObject does: the class of the
// programmatic identifier, from a local or an in-process server on this
// machine. Needs the thread's single-threaded apartment; `apartment` is the
// result of entering it, reported as the failure it is when it failed.
//
// A call that the busy server rejects (it is starting or loading its
// profile) is made again after a pause while `busy` grants one (busy_retry.h):
// Windows first asks the apartment's message filter (BusyMessageFilter), Wine
// hands every rejection straight to the caller.
class ComAutomationServer final : public AutomationServer {
 public:
  ComAutomationServer(HRESULT apartment, BusyBudget& busy) : apartment_(apartment), busy_(busy) {}
  std::unique_ptr<AutomationObject> CreateObject(std::string_view prog_id) override;
  std::unique_ptr<AutomationObject> CreateObjectIfRegistered(std::string_view prog_id) override;

 private:
  // Null only when `if_registered` and the class is not there.
  std::unique_ptr<AutomationObject> Create(std::string_view prog_id, bool if_registered);

  HRESULT apartment_;
  BusyBudget& busy_;
};

// The apartment's message filter: asks COM to retry a call that the server
// rejected as busy, sharing the run's budget with the retries of the calls
// themselves. Registered for the run with CoRegisterMessageFilter.
class BusyMessageFilter final : public IMessageFilter {
 public:
  explicit BusyMessageFilter(BusyBudget& busy) : busy_(busy) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  // Lives as long as the platform that owns it: no reference counting.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD reject_type) override;
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  BusyBudget& busy_;
};

// The filter registered for the apartment while it lives, and the one before
// it put back at the end.
class ScopedMessageFilter {
 public:
  explicit ScopedMessageFilter(IMessageFilter* filter);
  ~ScopedMessageFilter();
  ScopedMessageFilter(const ScopedMessageFilter&) = delete;
  ScopedMessageFilter& operator=(const ScopedMessageFilter&) = delete;

 private:
  bool registered_ = false;
  IMessageFilter* previous_ = nullptr;
};

}  // namespace wrenpost
