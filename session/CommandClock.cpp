#include "session/CommandClock.h"

#include "gui/ResString.h"
#include "resources/resource.h"
#include "session/Places.h"

namespace {

std::wstring TwoDigits(ULONGLONG value) { return (value < 10 ? L"0" : L"") + std::to_wstring(value); }

}  // namespace

void cCommandClock::Sent() {
  // The user answered the prompt before it had stood long enough to count: it counts now.
  if (running_ && promptAt_) End(*promptAt_);
  promptAt_.reset();
  if (!running_) Start();
}

void cCommandClock::Output(std::wstring_view text) {
  if (text.empty()) return;
  if (!running_) Start();
  // The last line starts after the last line break, or the last form feed, which clears the pane.
  // A loop of its own: a set search of the library looks at every character of a flood twice.
  for (size_t i = text.size(); i-- > 0;) {
    if (text[i] == L'\n' || text[i] == L'\f') {
      line_.clear();
      lineTooLong_ = false;
      text.remove_prefix(i + 1);
      break;
    }
  }
  if (!lineTooLong_ && line_.size() + text.size() > kPlaceLineLimit) {
    lineTooLong_ = true;
    line_.clear();
  }
  if (!lineTooLong_)
    for (wchar_t c : text)
      if (c != L'\r') line_ += c;
  if (!lineTooLong_ && LineIsPrompt()) {
    promptAt_ = window_.Now();
    window_.WakeAfter(kPromptSettleMs);
  } else {
    promptAt_.reset();
  }
}

void cCommandClock::Wake() {
  if (running_ && promptAt_) End(*promptAt_);
}

void cCommandClock::ChildEnded() {
  if (running_) End(promptAt_ ? *promptAt_ : window_.Now());
}

void cCommandClock::Start() {
  running_ = true;
  start_ = window_.Now();
  window_.ShowCommandTime(std::nullopt);
}

void cCommandClock::End(ULONGLONG at) {
  running_ = false;
  promptAt_.reset();
  const ULONGLONG took = at > start_ ? at - start_ : 0;
  window_.ShowCommandTime(took);
  if (FlashOn && took >= kLongCommandMs && !window_.InForeground()) window_.Flash();
}

bool cCommandClock::LineIsPrompt() const {
  // The whole line is the prompt ("C:\work>"); blanks may follow it.
  std::wstring_view line = line_;
  while (!line.empty() && line.back() == L' ') line.remove_suffix(1);
  if (line.empty() || line.back() != L'>') return false;
  const std::optional<std::wstring> folder = PromptFolder(line);
  return folder && folder->size() + 1 == line.size();
}

std::wstring CommandTimeText(ULONGLONG ms) {
  const ULONGLONG tenths = ms / 100 % 10, seconds = ms / 1000 % 60, minutes = ms / 60000 % 60, hours = ms / 3600000;
  if (hours == 0)
    return gui::FormatRes(IDS_COMMAND_TIME, {std::to_wstring(minutes), TwoDigits(seconds), std::to_wstring(tenths)});
  return gui::FormatRes(IDS_COMMAND_TIME_HOURS,
                        {std::to_wstring(hours), TwoDigits(minutes), TwoDigits(seconds), std::to_wstring(tenths)});
}
