#include "platform/windows/win_automation.h"

#include <windows.h>
// after windows.h
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/run_error.h"
#include "platform/windows/win_owners.h"
#include "platform/windows/win_text.h"

namespace wrenpost {
namespace {

using Microsoft::WRL::ComPtr;

std::string ResultText(HRESULT result) {
  std::string text = SystemMessage(static_cast<unsigned long>(result));
  if (text.empty()) {
    char code[32];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(result));
    text = std::string("Błąd automatyzacji ") + code + ".";
  }
  return text;
}

[[noreturn]] void ThrowCreateFailure(HRESULT result) {
  throw RunError(CreateObjectErrorNumber(result), ResultText(result));
}

// A failed Invoke: the exception's number and text when the server reported
// one, else the HRESULT's.
[[noreturn]] void ThrowCallFailure(HRESULT result, EXCEPINFO* exception, std::string_view member) {
  if (result == DISP_E_EXCEPTION && exception != nullptr) {
    if (exception->pfnDeferredFillIn != nullptr) exception->pfnDeferredFillIn(exception);
    ExceptionFields fields;
    fields.code = exception->wCode;
    fields.scode = static_cast<std::int32_t>(exception->scode);
    const std::int32_t number = AutomationErrorNumber(result, &fields);
    std::string text;
    if (exception->bstrDescription != nullptr) {
      text = Narrow({exception->bstrDescription, SysStringLen(exception->bstrDescription)});
    }
    if (text.empty()) text = ResultText(DescribedResult(result, &fields));
    throw RunError(number, std::move(text));
  }
  std::string text = ResultText(result);
  if (result == kUnknownName || result == kMemberNotFound) {
    text.append(" (").append(member).append(")");
  }
  throw RunError(AutomationErrorNumber(result, nullptr), std::move(text));
}

// Makes `call` (any COM call that returns an HRESULT) again while a busy
// server rejects it and the run's budget lasts. A rejected call has not run,
// so nothing is done twice.
template <typename Call>
HRESULT CallWhileBusy(BusyBudget& busy, Call&& call) {
  ULONGLONG counted_from = GetTickCount64();
  for (;;) {
    const HRESULT result = call();
    if (!IsBusyResult(result)) return result;
    const ULONGLONG now = GetTickCount64();
    if (!busy.Continue(now - counted_from)) return result;
    Sleep(static_cast<DWORD>(BusyBudget::kPauseMs));
    counted_from = now;  // the pause is counted with the next try
  }
}

class DispatchObject final : public AutomationObject {
 public:
  DispatchObject(ComPtr<IDispatch> dispatch, BusyBudget& busy)
      : dispatch_(std::move(dispatch)), busy_(busy) {}

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    UniqueVariant result = Invoke(member, DISPATCH_PROPERTYGET, {});
    return ObjectOf(result, member);
  }

  void PutProperty(std::string_view member, const AutomationArgument& value) override {
    Invoke(member, DISPATCH_PROPERTYPUT, {&value, 1});
  }

  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    if (member == "Display") {
      // The program was started by the user's foreground program and may
      // hand its right to take the foreground on: without it the compose
      // window often opens behind the caller, its taskbar button flashing.
      AllowSetForegroundWindow(ASFW_ANY);
    }
    UniqueVariant result = Invoke(member, DISPATCH_METHOD, args);
    if ((*result).vt != VT_DISPATCH && (*result).vt != VT_UNKNOWN) return nullptr;
    return ObjectOf(result, member);
  }

  void Release() override { dispatch_.Reset(); }

 private:
  std::unique_ptr<AutomationObject> ObjectOf(UniqueVariant& value, std::string_view member) {
    IUnknown* unknown = nullptr;
    if ((*value).vt == VT_DISPATCH) unknown = (*value).pdispVal;
    if ((*value).vt == VT_UNKNOWN) unknown = (*value).punkVal;
    if (unknown == nullptr) {
      throw RunError(errors::kObjectRequired,
                     "Wymagany obiekt: " + std::string(member) + " nie zwróciło obiektu.");
    }
    ComPtr<IDispatch> dispatch;
    const HRESULT result =
        CallWhileBusy(busy_, [&] { return unknown->QueryInterface(IID_PPV_ARGS(&dispatch)); });
    if (FAILED(result)) ThrowCallFailure(result, nullptr, member);
    return std::make_unique<DispatchObject>(std::move(dispatch), busy_);
  }

  UniqueVariant Invoke(std::string_view member, WORD kind,
                       std::span<const AutomationArgument> args) {
    if (!dispatch_) throw RunError(errors::kObjectVariableNotSet);
    std::wstring name = Widen(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT result = CallWhileBusy(busy_, [&] {
      return dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    });
    if (FAILED(result)) ThrowCallFailure(result, nullptr, member);

    // DISPPARAMS take the arguments last to first.
    std::vector<UniqueVariant> values(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
      VARIANT& value = *values[args.size() - 1 - i].get();
      if (const auto* text = std::get_if<std::string>(&args[i])) {
        UniqueBstr bstr(Widen(*text));
        if (bstr.get() == nullptr) throw RunError(errors::kOutOfMemory);
        value.vt = VT_BSTR;
        value.bstrVal = bstr.release();
      } else if (const auto* word = std::get_if<std::int16_t>(&args[i])) {
        value.vt = VT_I2;
        value.iVal = *word;
      } else {
        value.vt = VT_I4;
        value.lVal = static_cast<LONG>(std::get<std::int32_t>(args[i]));
      }
    }
    std::vector<VARIANT> raw;
    raw.reserve(values.size());
    for (UniqueVariant& value : values) raw.push_back(*value);  // shallow: `values` owns them

    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.cArgs = static_cast<UINT>(raw.size());
    params.rgvarg = raw.empty() ? nullptr : raw.data();
    if (kind == DISPATCH_PROPERTYPUT) {
      params.cNamedArgs = 1;
      params.rgdispidNamedArgs = &put_id;
    }
    UniqueVariant answer;
    UniqueExcepInfo exception;
    UINT bad_argument = 0;
    result = CallWhileBusy(busy_, [&] {
      return dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params,
                               kind == DISPATCH_PROPERTYPUT ? nullptr : answer.get(),
                               exception.get(), &bad_argument);
    });
    if (FAILED(result)) ThrowCallFailure(result, exception.get(), member);
    return answer;
  }

  ComPtr<IDispatch> dispatch_;
  BusyBudget& busy_;
};

}  // namespace

std::unique_ptr<AutomationObject> ComAutomationServer::CreateObject(std::string_view prog_id) {
  // Without an apartment there is no automation: its own failure, not a later obscure one.
  if (FAILED(apartment_)) {
    throw RunError(AutomationErrorNumber(apartment_, nullptr), ResultText(apartment_));
  }
  const std::wstring name = Widen(prog_id);
  CLSID clsid{};
  HRESULT result = CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(result)) ThrowCreateFailure(result);
  ComPtr<IUnknown> unknown;
  result = CallWhileBusy(busy_, [&] {
    return CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(unknown.ReleaseAndGetAddressOf()));
  });
  if (FAILED(result)) ThrowCreateFailure(result);
  ComPtr<IDispatch> dispatch;
  result = CallWhileBusy(busy_, [&] { return unknown.As(&dispatch); });
  if (FAILED(result)) ThrowCreateFailure(result);
  return std::make_unique<DispatchObject>(std::move(dispatch), busy_);
}

HRESULT STDMETHODCALLTYPE BusyMessageFilter::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IMessageFilter) {
    *out = static_cast<IMessageFilter*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

DWORD STDMETHODCALLTYPE BusyMessageFilter::RetryRejectedCall(HTASK, DWORD elapsed_ms, DWORD reject_type) {
  constexpr DWORD kCancel = static_cast<DWORD>(-1);
  if (reject_type != SERVERCALL_RETRYLATER && reject_type != SERVERCALL_REJECTED) return kCancel;
  // `elapsed_ms` runs from the first try of this call: a smaller one is a new call.
  if (elapsed_ms < last_elapsed_ms_) last_elapsed_ms_ = 0;
  const DWORD waited = elapsed_ms - last_elapsed_ms_;
  last_elapsed_ms_ = elapsed_ms;
  return busy_.Continue(waited) ? static_cast<DWORD>(BusyBudget::kPauseMs) : kCancel;
}

ScopedMessageFilter::ScopedMessageFilter(IMessageFilter* filter) {
  // Without the filter the calls' own retries still wait for a busy server.
  if (filter != nullptr) registered_ = SUCCEEDED(CoRegisterMessageFilter(filter, &previous_));
}

ScopedMessageFilter::~ScopedMessageFilter() {
  if (!registered_) return;
  IMessageFilter* ours = nullptr;
  CoRegisterMessageFilter(previous_, &ours);
  if (previous_ != nullptr) previous_->Release();  // the reference the first call handed us
}

}  // namespace wrenpost
