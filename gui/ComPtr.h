#pragma once
// Owners for component-object resources, in the manner of the handle owners: one reference to
// an interface, a BSTR, and the thread's OLE initialisation.
#include <windows.h>
#include <ole2.h>

#include <string_view>
#include <utility>

#include "gui/Handle.h"

namespace gui {

// Owns one reference to an interface and releases it.
template <class T>
class cComPtr {
public:
  cComPtr() noexcept = default;
  // Takes over a reference that the caller holds.
  explicit cComPtr(T* p) noexcept : p_(p) {}
  ~cComPtr() { reset(); }

  cComPtr(const cComPtr&) = delete;
  cComPtr& operator=(const cComPtr&) = delete;
  cComPtr(cComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  cComPtr& operator=(cComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  void reset() noexcept {
    if (T* old = std::exchange(p_, nullptr)) old->Release();
  }
  // For out-parameters: releases what is held and hands out the slot.
  T** put() noexcept {
    reset();
    return &p_;
  }

  // Another interface of the same object; empty when the object has none.
  template <class U>
  cComPtr<U> As() const noexcept {
    cComPtr<U> other;
    if (p_) p_->QueryInterface(IID_PPV_ARGS(other.put()));
    return other;
  }

private:
  T* p_ = nullptr;
};

struct tBstrTraits {
  using handle_type = BSTR;
  static BSTR none() noexcept { return nullptr; }
  static bool valid(BSTR s) noexcept { return s != nullptr; }
  static void close(BSTR s) noexcept { ::SysFreeString(s); }
};

class cBstr : public cHandle<tBstrTraits> {
public:
  explicit cBstr(std::wstring_view text)
      : cHandle(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
};

// OLE on this thread while the object lives; Initialized() says whether it could be had (a thread
// of the multithreaded apartment cannot have it).
class cOleScope {
public:
  cOleScope() noexcept : initialized_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~cOleScope() {
    if (initialized_) ::OleUninitialize();
  }
  cOleScope(const cOleScope&) = delete;
  cOleScope& operator=(const cOleScope&) = delete;

  bool Initialized() const noexcept { return initialized_; }

private:
  bool initialized_;
};

}  // namespace gui
