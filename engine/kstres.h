// Single-owner wrappers for the Win32 and COM resources the libraries hold.
// Shaped after WIL's unique_any: one template, one alias per kind of
// resource, plus a scope-exit helper for the odd clean-up that is no handle.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wincrypt.h>

#include <utility>

namespace kst {

template <typename T, auto Close, T Invalid = T{}>
struct close_traits {
  using type = T;
  static constexpr T invalid() noexcept { return Invalid; }
  static void close(T value) noexcept { Close(value); }
};

template <typename Traits>
class unique_any_t {
 public:
  using pointer = typename Traits::type;

  unique_any_t() noexcept = default;
  explicit unique_any_t(pointer value) noexcept : value_(value) {}
  unique_any_t(const unique_any_t&) = delete;
  unique_any_t& operator=(const unique_any_t&) = delete;
  unique_any_t(unique_any_t&& other) noexcept : value_(other.release()) {}
  unique_any_t& operator=(unique_any_t&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~unique_any_t() { reset(); }

  pointer get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

  void reset(pointer value = Traits::invalid()) noexcept {
    if (value_ != Traits::invalid()) Traits::close(value_);
    value_ = value;
  }
  pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }
  // For out-parameters: frees what is held and hands out the slot.
  pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_ = Traits::invalid();
};

template <typename T, auto Close, T Invalid = T{}>
using unique_any = unique_any_t<close_traits<T, Close, Invalid>>;

namespace detail {
inline void CloseView(void* view) noexcept { UnmapViewOfFile(view); }
inline void ReleaseCryptContext(HCRYPTPROV provider) noexcept { CryptReleaseContext(provider, 0); }
}  // namespace detail

using unique_handle = unique_any<HANDLE, &CloseHandle>;  // events, mappings, processes, threads
using unique_view = unique_any<void*, &detail::CloseView>;
using unique_hhook = unique_any<HHOOK, &UnhookWindowsHookEx>;
using unique_hmodule = unique_any<HMODULE, &FreeLibrary>;
using unique_hglobal = unique_any<HGLOBAL, &GlobalFree>;
using unique_hkey = unique_any<HKEY, &RegCloseKey>;
using unique_bstr = unique_any<BSTR, &SysFreeString>;
using unique_hcryptprov = unique_any<HCRYPTPROV, &detail::ReleaseCryptContext>;
using unique_hcryptkey = unique_any<HCRYPTKEY, &CryptDestroyKey>;

// A VARIANT that is cleared when it goes out of scope.
class unique_variant : public VARIANT {
 public:
  unique_variant() noexcept { VariantInit(this); }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  ~unique_variant() { VariantClear(this); }
  VARIANT* reset_and_addressof() noexcept {
    VariantClear(this);
    return this;
  }
};

template <typename F>
class scope_exit_t {
 public:
  explicit scope_exit_t(F&& f) noexcept : f_(std::move(f)) {}
  scope_exit_t(const scope_exit_t&) = delete;
  scope_exit_t& operator=(const scope_exit_t&) = delete;
  ~scope_exit_t() {
    if (armed_) f_();
  }
  void release() noexcept { armed_ = false; }

 private:
  F f_;
  bool armed_ = true;
};

template <typename F>
[[nodiscard]] scope_exit_t<F> scope_exit(F&& f) noexcept {
  return scope_exit_t<F>(std::forward<F>(f));
}

}  // namespace kst
