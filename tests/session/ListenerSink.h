#pragma once
// A window of the tests that records what a listener hands it.
#include <string>

#include "gui/Window.h"
#include "session/Threading.h"

class cSink : public gui::cWindow {
public:
  cSink() { CreateHandle(0, RegisterWindowClass(L"ListenerSink"), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr); }
  std::string data;
  int ends = 0;
  bool hold = false;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_LISTENER_DATA) {
      data.append(reinterpret_cast<const char*>(wParam), static_cast<size_t>(lParam));
      return hold ? kListenerHold : 0;
    }
    if (message == WM_LISTENER_END) {
      ++ends;
      return 0;
    }
    return DefaultHandler(message, wParam, lParam);
  }
};
