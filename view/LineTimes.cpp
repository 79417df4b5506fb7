#include "view/LineTimes.h"

namespace view {
namespace {

constexpr tLineStamp kMsPerSecond = 1000, kMsPerMinute = 60 * kMsPerSecond, kMsPerHour = 60 * kMsPerMinute;

void AppendNumber(std::wstring& text, unsigned value, std::size_t digits) {
  const std::wstring number = std::to_wstring(value);
  if (number.size() < digits) text.append(digits - number.size(), L'0');
  text += number;
}

}  // namespace

tLineStamp StampOf(const SYSTEMTIME& time) noexcept {
  return time.wHour * kMsPerHour + time.wMinute * kMsPerMinute + time.wSecond * kMsPerSecond + time.wMilliseconds + 1;
}

std::wstring FormatClock(const SYSTEMTIME& time) {
  std::wstring text;
  AppendNumber(text, time.wHour, 2);
  text += L':';
  AppendNumber(text, time.wMinute, 2);
  text += L':';
  AppendNumber(text, time.wSecond, 2);
  text += L'.';
  AppendNumber(text, time.wMilliseconds, 3);
  return text;
}

std::wstring FormatStamp(tLineStamp stamp) {
  if (stamp == 0) return {};
  const tLineStamp ms = stamp - 1;
  SYSTEMTIME time{};
  time.wHour = static_cast<WORD>(ms / kMsPerHour);
  time.wMinute = static_cast<WORD>(ms / kMsPerMinute % 60);
  time.wSecond = static_cast<WORD>(ms / kMsPerSecond % 60);
  time.wMilliseconds = static_cast<WORD>(ms % kMsPerSecond);
  return FormatClock(time);
}

}  // namespace view
