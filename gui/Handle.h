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

// A handle whose "none" is null, given back by the function Release. (Release is a function of
// ours: the address of a function imported from a DLL is no constant for every compiler.)
template <class T, void (*Release)(T) noexcept>
struct tNullHandleTraits {
  using handle_type = T;
  static T none() noexcept { return nullptr; }
  static bool valid(T h) noexcept { return h != nullptr; }
  static void close(T h) noexcept { Release(h); }
};

namespace release {
template <class T>
inline void GdiObject(T object) noexcept { ::DeleteObject(object); }
inline void Menu(HMENU menu) noexcept { ::DestroyMenu(menu); }
inline void Accelerators(HACCEL table) noexcept { ::DestroyAcceleratorTable(table); }
inline void Icon(HICON icon) noexcept { ::DestroyIcon(icon); }
inline void LocalMemory(HLOCAL memory) noexcept { ::LocalFree(memory); }
inline void Hook(HHOOK hook) noexcept { ::UnhookWindowsHookEx(hook); }
// A device context lent by GetDC or GetWindowDC goes back to the window it came from.
inline void WindowDC(HDC dc) noexcept { ::ReleaseDC(::WindowFromDC(dc), dc); }
inline void MemoryDC(HDC dc) noexcept { ::DeleteDC(dc); }
inline void Module(HMODULE module) noexcept { ::FreeLibrary(module); }
inline void RegistryKey(HKEY key) noexcept { ::RegCloseKey(key); }
}  // namespace release

template <class T>
using tGdiTraits = tNullHandleTraits<T, &release::GdiObject<T>>;

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
using cBitmap = cHandle<tGdiTraits<HBITMAP>>;
using cMenu = cHandle<tNullHandleTraits<HMENU, &release::Menu>>;
using cAccelerators = cHandle<tNullHandleTraits<HACCEL, &release::Accelerators>>;
using cIcon = cHandle<tNullHandleTraits<HICON, &release::Icon>>;
using cLocalMemory = cHandle<tNullHandleTraits<HLOCAL, &release::LocalMemory>>;
using cHook = cHandle<tNullHandleTraits<HHOOK, &release::Hook>>;
// A device context from GetDC or GetWindowDC; one made by CreateCompatibleDC.
using cWindowDC = cHandle<tNullHandleTraits<HDC, &release::WindowDC>>;
using cMemoryDC = cHandle<tNullHandleTraits<HDC, &release::MemoryDC>>;
using cModule = cHandle<tNullHandleTraits<HMODULE, &release::Module>>;
using cRegistryKey = cHandle<tNullHandleTraits<HKEY, &release::RegistryKey>>;

}  // namespace gui
