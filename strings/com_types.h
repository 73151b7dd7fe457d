#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

// Owns one COM interface pointer and releases it exactly once.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* operator->() const { return pointer_; }
  Interface* Get() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // For out-parameters: releases what is held and hands out the slot.
  Interface** Receive() {
    Reset();
    return &pointer_;
  }
  void Reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

// Owns one BSTR and frees it exactly once.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(BSTR text) : text_(text) {}
  ~Bstr() { Reset(); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR Get() const { return text_; }
  BSTR* Receive() {
    Reset();
    return &text_;
  }
  void Reset() {
    if (text_ != nullptr) SysFreeString(std::exchange(text_, nullptr));
  }

 private:
  BSTR text_ = nullptr;
};
