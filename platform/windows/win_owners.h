// Owners of the Windows resources the program uses: kernel handles, find
// handles, registry keys, libraries, and the COM apartment, BSTR, VARIANT and
// EXCEPINFO of the automation, each freed on every path. Interface pointers
// are held in WRL's ComPtr.
#pragma once

#include <windows.h>
// after windows.h
#include <oleauto.h>

#include <string_view>
#include <utility>

namespace wrenpost {

// A kernel handle (file, process, event); invalid as INVALID_HANDLE_VALUE or null.
class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  void reset(HANDLE handle = nullptr) {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_;
};

// A directory search of FindFirstFileW.
class UniqueFind {
 public:
  explicit UniqueFind(HANDLE handle) : handle_(handle) {}
  ~UniqueFind() {
    if (valid()) FindClose(handle_);
  }
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// An open registry key.
class UniqueRegistryKey {
 public:
  UniqueRegistryKey() = default;
  ~UniqueRegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  UniqueRegistryKey(const UniqueRegistryKey&) = delete;
  UniqueRegistryKey& operator=(const UniqueRegistryKey&) = delete;
  HKEY get() const { return key_; }
  // For the call that opens it; the key must not be open yet.
  HKEY* out() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

// A loaded library, freed with its owner.
class UniqueModule {
 public:
  explicit UniqueModule(HMODULE module = nullptr) : module_(module) {}
  ~UniqueModule() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  UniqueModule(const UniqueModule&) = delete;
  UniqueModule& operator=(const UniqueModule&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

// A window of the program's own, destroyed with its owner.
class UniqueWindow {
 public:
  explicit UniqueWindow(HWND window) : window_(window) {}
  ~UniqueWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  UniqueWindow(const UniqueWindow&) = delete;
  UniqueWindow& operator=(const UniqueWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

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
// left at its end, after every interface pointer has been released. A failed
// entry is kept, to be reported when the mail client is first asked for.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

}  // namespace wrenpost
