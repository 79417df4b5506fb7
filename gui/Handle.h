#pragma once
// One move-only owner for every kind of Win32 handle. A traits type says what "none" is and how
// the handle is released.
#include <windows.h>
#include <utility>

namespace gui {

template <class Traits>
class cHandle {
public:
  using handle_type = typename Traits::handle_type;

  cHandle() noexcept = default;
  explicit cHandle(handle_type h) noexcept : h_(h) {}
  ~cHandle() { reset(); }

  cHandle(const cHandle&) = delete;
  cHandle& operator=(const cHandle&) = delete;
  cHandle(cHandle&& other) noexcept : h_(other.release()) {}
  cHandle& operator=(cHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  handle_type get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return Traits::valid(h_); }

  handle_type release() noexcept { return std::exchange(h_, Traits::none()); }
  void reset(handle_type h = Traits::none()) noexcept {
    handle_type old = std::exchange(h_, h);
    if (Traits::valid(old)) Traits::close(old);
  }
  // For out-parameters of API calls: releases what is held and hands out the slot.
  handle_type* put() noexcept {
    reset();
    return &h_;
  }

private:
  handle_type h_ = Traits::none();
};

struct tKernelHandleTraits {
  using handle_type = HANDLE;
  static HANDLE none() noexcept { return nullptr; }
  static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};

template <class T>
struct tGdiTraits {
  using handle_type = T;
  static T none() noexcept { return nullptr; }
  static bool valid(T h) noexcept { return h != nullptr; }
  static void close(T h) noexcept { ::DeleteObject(h); }
};

struct tMenuTraits {
  using handle_type = HMENU;
  static HMENU none() noexcept { return nullptr; }
  static bool valid(HMENU h) noexcept { return h != nullptr; }
  static void close(HMENU h) noexcept { ::DestroyMenu(h); }
};

struct tAccelTraits {
  using handle_type = HACCEL;
  static HACCEL none() noexcept { return nullptr; }
  static bool valid(HACCEL h) noexcept { return h != nullptr; }
  static void close(HACCEL h) noexcept { ::DestroyAcceleratorTable(h); }
};

struct tIconTraits {
  using handle_type = HICON;
  static HICON none() noexcept { return nullptr; }
  static bool valid(HICON h) noexcept { return h != nullptr; }
  static void close(HICON h) noexcept { ::DestroyIcon(h); }
};

struct tLocalTraits {
  using handle_type = HLOCAL;
  static HLOCAL none() noexcept { return nullptr; }
  static bool valid(HLOCAL h) noexcept { return h != nullptr; }
  static void close(HLOCAL h) noexcept { ::LocalFree(h); }
};

struct tHookTraits {
  using handle_type = HHOOK;
  static HHOOK none() noexcept { return nullptr; }
  static bool valid(HHOOK h) noexcept { return h != nullptr; }
  static void close(HHOOK h) noexcept { ::UnhookWindowsHookEx(h); }
};

// A device context lent by GetDC or GetWindowDC; it goes back to the window it came from.
struct tWindowDCTraits {
  using handle_type = HDC;
  static HDC none() noexcept { return nullptr; }
  static bool valid(HDC h) noexcept { return h != nullptr; }
  static void close(HDC h) noexcept { ::ReleaseDC(::WindowFromDC(h), h); }
};

// A device context of its own, made by CreateCompatibleDC.
struct tMemoryDCTraits {
  using handle_type = HDC;
  static HDC none() noexcept { return nullptr; }
  static bool valid(HDC h) noexcept { return h != nullptr; }
  static void close(HDC h) noexcept { ::DeleteDC(h); }
};

struct tModuleTraits {
  using handle_type = HMODULE;
  static HMODULE none() noexcept { return nullptr; }
  static bool valid(HMODULE h) noexcept { return h != nullptr; }
  static void close(HMODULE h) noexcept { ::FreeLibrary(h); }
};

// A GDI object selected into a device context for as long as this object lives.
class cSelectedObject {
public:
  cSelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~cSelectedObject() { ::SelectObject(dc_, previous_); }
  cSelectedObject(const cSelectedObject&) = delete;
  cSelectedObject& operator=(const cSelectedObject&) = delete;

private:
  HDC dc_;
  HGDIOBJ previous_;
};

using cKernelHandle = cHandle<tKernelHandleTraits>;
using cFont = cHandle<tGdiTraits<HFONT>>;
using cBrush = cHandle<tGdiTraits<HBRUSH>>;
using cMenu = cHandle<tMenuTraits>;
using cAccelerators = cHandle<tAccelTraits>;
using cIcon = cHandle<tIconTraits>;
using cLocalMemory = cHandle<tLocalTraits>;
using cHook = cHandle<tHookTraits>;
using cWindowDC = cHandle<tWindowDCTraits>;
using cMemoryDC = cHandle<tMemoryDCTraits>;
using cModule = cHandle<tModuleTraits>;

}  // namespace gui
