#include "platform/windows/win_automation.h"

#include <windows.h>
// after windows.h
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "errors/run_error.h"
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

// Makes a COM call again while a busy server rejects it (see busy_retry.h).
template <typename Call>
HRESULT WhileBusy(BusyBudget& busy, Call&& call) {
  return CallWhileBusy(busy, std::forward<Call>(call), [](std::uint32_t ms) { Sleep(ms); });
}

// A text or a number, as the launcher reads properties. VT_EMPTY and VT_NULL
// read as an empty text.
AutomationValue ValueOf(const VARIANT& value, std::string_view member) {
  if (value.vt == VT_BSTR) {
    return value.bstrVal == nullptr ? std::string() : Narrow({value.bstrVal, SysStringLen(value.bstrVal)});
  }
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) return std::string();
  if (value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN) {
    auto* source = const_cast<VARIANT*>(&value);  // VariantChangeType only reads it
    UniqueVariant number;
    if (SUCCEEDED(VariantChangeType(number.get(), source, 0, VT_I4))) {
      return static_cast<std::int32_t>((*number).lVal);
    }
    UniqueVariant text;
    if (SUCCEEDED(VariantChangeType(text.get(), source, 0, VT_BSTR))) return ValueOf(*text, member);
  }
  throw RunError(errors::kTypeMismatch,
                 "Niezgodność typów: " + std::string(member) + " nie zwróciło tekstu ani liczby.");
}

// The arguments as Variants, in the order DISPPARAMS takes them: last to first.
std::vector<UniqueVariant> ArgumentVariants(std::span<const AutomationArgument> args) {
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
  return values;
}

class DispatchObject final : public AutomationObject {
 public:
  DispatchObject(ComPtr<IDispatch> dispatch, BusyBudget& busy)
      : dispatch_(std::move(dispatch)), busy_(busy) {}

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    UniqueVariant result = Invoke(member, DISPATCH_PROPERTYGET, {}, true);
    return ObjectOf(result, member);
  }

  AutomationValue ReadProperty(std::string_view member) override {
    const UniqueVariant result = Invoke(member, DISPATCH_PROPERTYGET, {}, true);
    return ValueOf(*result, member);
  }

  void PutProperty(std::string_view member, const AutomationArgument& value) override {
    Invoke(member, DISPATCH_PROPERTYPUT, ArgumentVariants({&value, 1}), false);
  }

  void PutReference(std::string_view member, AutomationObject& value) override {
    auto* object = dynamic_cast<DispatchObject*>(&value);
    if (object == nullptr || !object->dispatch_) throw RunError(errors::kObjectVariableNotSet);
    std::vector<UniqueVariant> values(1);
    VARIANT& argument = *values[0].get();
    argument.vt = VT_DISPATCH;
    argument.pdispVal = object->dispatch_.Get();
    argument.pdispVal->AddRef();  // the Variant's own reference, let go of with it
    Invoke(member, DISPATCH_PROPERTYPUTREF, std::move(values), false);
  }

  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    UniqueVariant result = Invoke(member, DISPATCH_METHOD, ArgumentVariants(args), true);
    if ((*result).vt != VT_DISPATCH && (*result).vt != VT_UNKNOWN) return nullptr;
    return ObjectOf(result, member);
  }

  void CallMethodWithoutResult(std::string_view member,
                               std::span<const AutomationArgument> args) override {
    Invoke(member, DISPATCH_METHOD, ArgumentVariants(args), false);
  }

  void AllowForeground() noexcept override {
    if (!dispatch_) return;
    // The right goes to the process that serves this object (Outlook's proxy
    // passes it on through IForegroundTransfer). A server that cannot take it
    // leaves the old way: any process may take the foreground.
    if (FAILED(CoAllowSetForegroundWindow(dispatch_.Get(), nullptr))) AllowSetForegroundWindow(ASFW_ANY);
  }

  void Release() override {
    dispatch_.Reset();
    ids_.clear();
  }

 private:
  std::unique_ptr<AutomationObject> ObjectOf(UniqueVariant& value, std::string_view member) {
    IUnknown* unknown = nullptr;
    if ((*value).vt == VT_DISPATCH) unknown = (*value).pdispVal;
    if ((*value).vt == VT_UNKNOWN) unknown = (*value).punkVal;
    if (unknown == nullptr) return nullptr;
    ComPtr<IDispatch> dispatch;
    const HRESULT result =
        WhileBusy(busy_, [&] { return unknown->QueryInterface(IID_PPV_ARGS(&dispatch)); });
    if (FAILED(result)) ThrowCallFailure(result, nullptr, member);
    return std::make_unique<DispatchObject>(std::move(dispatch), busy_);
  }

  // The member's DISPID, asked for once: an object's DISPIDs stay the same
  // for its lifetime, and each question is a round trip to the server.
  DISPID IdOf(std::string_view member) {
    for (const auto& [name, id] : ids_) {
      if (name == member) return id;
    }
    std::wstring name = Widen(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT result = WhileBusy(busy_, [&] {
      return dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    });
    if (FAILED(result)) ThrowCallFailure(result, nullptr, member);
    ids_.emplace_back(std::string(member), id);
    return id;
  }

  // `values` are in DISPPARAMS order; the server's answer is asked for only
  // when `want_result`.
  UniqueVariant Invoke(std::string_view member, WORD kind, std::vector<UniqueVariant> values,
                       bool want_result) {
    if (!dispatch_) throw RunError(errors::kObjectVariableNotSet);
    const DISPID id = IdOf(member);
    std::vector<VARIANT> raw;
    raw.reserve(values.size());
    for (UniqueVariant& value : values) raw.push_back(*value);  // shallow: `values` owns them

    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.cArgs = static_cast<UINT>(raw.size());
    params.rgvarg = raw.empty() ? nullptr : raw.data();
    if (kind == DISPATCH_PROPERTYPUT || kind == DISPATCH_PROPERTYPUTREF) {
      params.cNamedArgs = 1;
      params.rgdispidNamedArgs = &put_id;
    }
    UniqueVariant answer;
    UniqueExcepInfo exception;
    UINT bad_argument = 0;
    const HRESULT result = WhileBusy(busy_, [&] {
      return dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params,
                               want_result ? answer.get() : nullptr, exception.get(), &bad_argument);
    });
    if (FAILED(result)) ThrowCallFailure(result, exception.get(), member);
    return answer;
  }

  ComPtr<IDispatch> dispatch_;
  BusyBudget& busy_;
  std::vector<std::pair<std::string, DISPID>> ids_;
};

}  // namespace

std::unique_ptr<AutomationObject> ComAutomationServer::CreateObject(std::string_view prog_id) {
  return Create(prog_id, false);
}

std::unique_ptr<AutomationObject> ComAutomationServer::CreateObjectIfRegistered(std::string_view prog_id) {
  return Create(prog_id, true);
}

std::unique_ptr<AutomationObject> ComAutomationServer::Create(std::string_view prog_id, bool if_registered) {
  // Without an apartment there is no automation: its own failure, not a later obscure one.
  if (FAILED(apartment_)) {
    throw RunError(AutomationErrorNumber(apartment_, nullptr), ResultText(apartment_));
  }
  const auto failed = [&](HRESULT result) -> std::unique_ptr<AutomationObject> {
    if (if_registered && MeansClassNotThere(result)) return nullptr;
    ThrowCreateFailure(result);
  };
  const std::wstring name = Widen(prog_id);
  CLSID clsid{};
  HRESULT result = CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(result)) return failed(result);
  ComPtr<IUnknown> unknown;
  result = WhileBusy(busy_, [&] {
    return CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(unknown.ReleaseAndGetAddressOf()));
  });
  if (FAILED(result)) return failed(result);
  ComPtr<IDispatch> dispatch;
  result = WhileBusy(busy_, [&] { return unknown.As(&dispatch); });
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

DWORD STDMETHODCALLTYPE BusyMessageFilter::RetryRejectedCall(HTASK, DWORD, DWORD reject_type) {
  return static_cast<DWORD>(RetryDelay(busy_, reject_type));
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
