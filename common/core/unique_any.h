#pragma once
// One owner for any platform handle: movable, never copyable, closed exactly once.
// Traits give the handle type, its empty value and its close function, so this header
// needs no platform header and is tested natively with a fake close.
#include <utility>

namespace corvanel {

template <typename Traits>
class unique_any {
 public:
  using pointer = typename Traits::pointer;

  unique_any() noexcept : value_(Traits::invalid()) {}
  explicit unique_any(pointer value) noexcept : value_(value) {}
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  ~unique_any() { reset(); }

  [[nodiscard]] pointer get() const noexcept { return value_; }
  [[nodiscard]] bool valid() const noexcept { return value_ != Traits::invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  // Gives up ownership without closing.
  [[nodiscard]] pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }

  void reset(pointer value = Traits::invalid()) noexcept {
    pointer old = std::exchange(value_, value);
    if (old != Traits::invalid()) Traits::close(old);
  }

  // Closes the current value, then hands out the slot for an out-parameter.
  [[nodiscard]] pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_;
};

// Runs a function when the scope ends unless dismissed: the roll-back half of commit-or-roll-back.
template <typename F>
class scope_exit {
 public:
  explicit scope_exit(F f) noexcept : f_(std::move(f)) {}
  scope_exit(const scope_exit&) = delete;
  scope_exit& operator=(const scope_exit&) = delete;
  ~scope_exit() {
    if (active_) f_();
  }
  void dismiss() noexcept { active_ = false; }

 private:
  F f_;
  bool active_ = true;
};

}  // namespace corvanel
