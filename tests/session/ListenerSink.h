#pragma once
// An owner of the tests that records what a listener hands it.
#include <string>

#include "session/Threading.h"

class cSink : public iConsoleEvents {
public:
  std::string data;
  int ends = 0;
  bool hold = false;

  bool ChildOutput(const char* chunk, size_t count) override {
    data.append(chunk, count);
    return hold;
  }
  void ChildOutputEnded() override { ++ends; }
};
