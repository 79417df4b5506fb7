#pragma once
// The times at which lines came, as the output view keeps them (a tLineStamp a line) and shows
// them beside its rows, and as the session's log writes them.
#include <windows.h>

#include <string>

#include "view/TextStore.h"

namespace view {

// The stamp of a local time: its time of day.
tLineStamp StampOf(const SYSTEMTIME& time) noexcept;

// "08:15:02.123": the time of day of a local time, or of a stamp (empty for none).
std::wstring FormatClock(const SYSTEMTIME& time);
std::wstring FormatStamp(tLineStamp stamp);

}  // namespace view
