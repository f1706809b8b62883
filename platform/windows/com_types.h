// Owners of the COM resources the automation uses: every BSTR, VARIANT and
// EXCEPINFO is freed on every path. Interface pointers are held in WRL's
// ComPtr.
#pragma once

#include <windows.h>
// after windows.h
#include <oleauto.h>

#include <string_view>
#include <utility>

namespace wrenpost {

class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(std::wstring_view text)
      : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~UniqueBstr() { SysFreeString(bstr_); }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;

  BSTR get() const { return bstr_; }
  // Hands the string over; the caller frees it.
  BSTR release() { return std::exchange(bstr_, nullptr); }

 private:
  BSTR bstr_ = nullptr;
};

class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&value_); }
  ~UniqueVariant() { VariantClear(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  UniqueVariant(UniqueVariant&& other) noexcept : UniqueVariant() {
    value_ = other.value_;
    VariantInit(&other.value_);
  }

  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

class UniqueExcepInfo {
 public:
  UniqueExcepInfo() { ZeroMemory(&info_, sizeof info_); }
  ~UniqueExcepInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
  }
  UniqueExcepInfo(const UniqueExcepInfo&) = delete;
  UniqueExcepInfo& operator=(const UniqueExcepInfo&) = delete;

  EXCEPINFO* get() { return &info_; }

 private:
  EXCEPINFO info_;
};

// The thread's single-threaded apartment, entered at the start of the run and
// left at its end, after every interface pointer has been released.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

}  // namespace wrenpost
