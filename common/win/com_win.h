#pragma once
// Owners for COM's resources: BSTR, SAFEARRAY, VARIANT and interface pointers. Movable, never
// copyable; taking over an existing reference (adopt) is kept apart from adding one (copy).
#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "../core/unique_any.h"

namespace corvanel {

namespace detail {
struct BstrTraits {
  using pointer = BSTR;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer value) noexcept { ::SysFreeString(value); }
};
struct SafeArrayTraits {
  using pointer = SAFEARRAY*;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer value) noexcept { ::SafeArrayDestroy(value); }
};
}  // namespace detail

using unique_bstr = unique_any<detail::BstrTraits>;  // null is also the empty BSTR
using unique_safearray = unique_any<detail::SafeArrayTraits>;

// A VARIANT cleared exactly once.
class unique_variant {
 public:
  unique_variant() noexcept { ::VariantInit(&value_); }
  // Takes over what the VARIANT holds; the source is left empty.
  explicit unique_variant(VARIANT& adopted) noexcept : value_(adopted) { ::VariantInit(&adopted); }
  unique_variant(unique_variant&& other) noexcept : value_(other.value_) { ::VariantInit(&other.value_); }
  unique_variant& operator=(unique_variant&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = other.value_;
      ::VariantInit(&other.value_);
    }
    return *this;
  }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  ~unique_variant() { reset(); }

  [[nodiscard]] const VARIANT& get() const noexcept { return value_; }
  [[nodiscard]] VARIANT& get() noexcept { return value_; }
  // Clears, then hands out the VARIANT for an out-parameter.
  [[nodiscard]] VARIANT* put() noexcept {
    reset();
    return &value_;
  }
  // Gives up what it holds without clearing it.
  [[nodiscard]] VARIANT release() noexcept {
    VARIANT out = value_;
    ::VariantInit(&value_);
    return out;
  }
  void reset() noexcept {
    ::VariantClear(&value_);
    ::VariantInit(&value_);
  }

 private:
  VARIANT value_;
};

// One reference to a COM interface.
template <typename T>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  com_ptr(com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  com_ptr& operator=(com_ptr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  com_ptr(const com_ptr&) = delete;
  com_ptr& operator=(const com_ptr&) = delete;
  ~com_ptr() { reset(); }

  // Takes over a reference the caller already owns (an out-parameter's).
  [[nodiscard]] static com_ptr adopt(T* p) noexcept {
    com_ptr result;
    result.p_ = p;
    return result;
  }
  // Adds a reference of its own to a pointer the caller only borrows.
  [[nodiscard]] static com_ptr copy(T* p) noexcept {
    if (p != nullptr) p->AddRef();
    return adopt(p);
  }
  [[nodiscard]] com_ptr clone() const noexcept { return copy(p_); }

  [[nodiscard]] T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // Releases the current pointer, then hands out the slot for an out-parameter.
  [[nodiscard]] T** put() noexcept {
    reset();
    return &p_;
  }
  [[nodiscard]] void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  [[nodiscard]] T* release() noexcept { return std::exchange(p_, nullptr); }
  void reset(T* p = nullptr) noexcept {
    if (T* old = std::exchange(p_, p)) old->Release();
  }

  template <typename U>
  HRESULT query(com_ptr<U>& out) const noexcept {
    return p_ == nullptr ? E_POINTER : p_->QueryInterface(__uuidof(U), out.put_void());
  }

 private:
  T* p_ = nullptr;
};

}  // namespace corvanel
