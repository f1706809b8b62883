#include "platform/windows/win_automation.h"

#include <windows.h>
// after windows.h
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/run_error.h"
#include "platform/windows/automation_error.h"
#include "platform/windows/com_types.h"
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
  if (result == DISP_E_UNKNOWNNAME || result == DISP_E_MEMBERNOTFOUND) {
    text.append(" (").append(member).append(")");
  }
  throw RunError(AutomationErrorNumber(result, nullptr), std::move(text));
}

class DispatchObject final : public AutomationObject {
 public:
  explicit DispatchObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    UniqueVariant result = Invoke(member, DISPATCH_PROPERTYGET, {});
    return ObjectOf(result, member);
  }

  void PutProperty(std::string_view member, const AutomationArgument& value) override {
    Invoke(member, DISPATCH_PROPERTYPUT, {&value, 1});
  }

  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    UniqueVariant result = Invoke(member, DISPATCH_METHOD, args);
    if ((*result).vt != VT_DISPATCH && (*result).vt != VT_UNKNOWN) return nullptr;
    return ObjectOf(result, member);
  }

  void Release() override { dispatch_.Reset(); }

 private:
  static std::unique_ptr<AutomationObject> ObjectOf(UniqueVariant& value, std::string_view member) {
    IUnknown* unknown = nullptr;
    if ((*value).vt == VT_DISPATCH) unknown = (*value).pdispVal;
    if ((*value).vt == VT_UNKNOWN) unknown = (*value).punkVal;
    if (unknown == nullptr) {
      // "Object required": the member answered no object.
      throw RunError(424, "Wymagany obiekt: " + std::string(member) + " nie zwróciło obiektu.");
    }
    ComPtr<IDispatch> dispatch;
    const HRESULT result = unknown->QueryInterface(IID_PPV_ARGS(&dispatch));
    if (FAILED(result)) ThrowCallFailure(result, nullptr, member);
    return std::make_unique<DispatchObject>(std::move(dispatch));
  }

  UniqueVariant Invoke(std::string_view member, WORD kind,
                       std::span<const AutomationArgument> args) {
    if (!dispatch_) throw RunError(91, "Zmienna obiektowa nie jest ustawiona.");
    std::wstring name = Widen(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT result = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result)) ThrowCallFailure(result, nullptr, member);

    // DISPPARAMS take the arguments last to first.
    std::vector<UniqueVariant> values(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
      VARIANT& value = *values[args.size() - 1 - i].get();
      if (const auto* text = std::get_if<std::string>(&args[i])) {
        UniqueBstr bstr(Widen(*text));
        if (bstr.get() == nullptr) throw RunError(7, "Za mało pamięci.");
        value.vt = VT_BSTR;
        value.bstrVal = bstr.release();
      } else {
        value.vt = VT_I2;
        value.iVal = std::get<std::int16_t>(args[i]);
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
    result = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params,
                               kind == DISPATCH_PROPERTYPUT ? nullptr : answer.get(),
                               exception.get(), &bad_argument);
    if (FAILED(result)) ThrowCallFailure(result, exception.get(), member);
    return answer;
  }

  ComPtr<IDispatch> dispatch_;
};

}  // namespace

std::unique_ptr<AutomationObject> ComAutomationServer::CreateObject(std::string_view prog_id) {
  const std::wstring name = Widen(prog_id);
  CLSID clsid{};
  HRESULT result = CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(result)) ThrowCreateFailure(result);
  ComPtr<IUnknown> unknown;
  result = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(&unknown));
  if (FAILED(result)) ThrowCreateFailure(result);
  ComPtr<IDispatch> dispatch;
  result = unknown.As(&dispatch);
  if (FAILED(result)) ThrowCreateFailure(result);
  return std::make_unique<DispatchObject>(std::move(dispatch));
}

}  // namespace wrenpost
