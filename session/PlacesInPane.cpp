#include "session/PlacesInPane.h"

#include <algorithm>
#include <utility>

cPanePlaces::cPanePlaces(HWND pane, std::wstring workingFolder, tFileExists exists)
    : pane_(pane), workingFolder_(std::move(workingFolder)), exists_(std::move(exists)) {}

LRESULT cPanePlaces::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessageW(pane_, message, wParam, lParam);
}

int cPanePlaces::RowCount() const { return static_cast<int>(Send(EM_GETLINECOUNT)); }

int cPanePlaces::RowStart(int row) const { return static_cast<int>(Send(EM_LINEINDEX, static_cast<WPARAM>(row))); }

int cPanePlaces::RowLength(int row) const {
  return static_cast<int>(Send(EM_LINELENGTH, static_cast<WPARAM>(RowStart(row))));
}

bool cPanePlaces::EndsLine(int row) const {
  if (row + 1 >= RowCount()) return true;
  return RowStart(row + 1) != RowStart(row) + RowLength(row);
}

std::wstring cPanePlaces::RowText(int row, int length) const {
  // EM_GETLINE takes the room in the buffer's first WORD.
  length = std::clamp(length, 0, 0xFFFF);
  std::wstring text(static_cast<size_t>(std::max(length, 1)), L'\0');
  text[0] = static_cast<wchar_t>(length);
  const auto copied = Send(EM_GETLINE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return text;
}

cPanePlaces::tLine cPanePlaces::LineOfRow(int row) const {
  tLine line;
  line.FirstRow = row;
  // Half of what recognition looks at may come before the row.
  std::size_t before = 0;
  while (line.FirstRow > 0 && !EndsLine(line.FirstRow - 1) && before < kPlaceLineLimit / 2)
    before += static_cast<size_t>(RowLength(--line.FirstRow));
  line.Start = RowStart(line.FirstRow);
  const int rows = RowCount();
  for (int r = line.FirstRow; r < rows; ++r) {
    line.LastRow = r;
    const auto room = static_cast<int>(kPlaceLineLimit - line.Text.size());
    line.Text += RowText(r, std::min(RowLength(r), room));
    if (EndsLine(r) || line.Text.size() >= kPlaceLineLimit) break;
  }
  return line;
}

std::wstring cPanePlaces::LineHead(int firstRow) const {
  std::wstring head;
  for (int r = firstRow; head.size() < kPromptLength; ++r) {
    head += RowText(r, std::min(RowLength(r), static_cast<int>(kPromptLength - head.size())));
    if (EndsLine(r)) break;
  }
  return head;
}

cPanePlaces::tFolder cPanePlaces::FolderAt(int firstRow) const {
  int row = firstRow;
  const int floor = std::max(firstRow - kPromptRows, 0);
  while (row >= floor) {
    // A prompt starts with a drive ("C:\"): only such a line is read further.
    if (PromptFolder(RowText(row, 3) + L">"))
      if (std::optional<std::wstring> prompt = PromptFolder(LineHead(row))) return {std::move(*prompt), row, row};
    // Up to the start of the line above.
    if (--row < 0) break;
    while (row > floor && !EndsLine(row - 1)) --row;
  }
  return {workingFolder_, -1, floor};
}

std::optional<tPlaceTarget> cPanePlaces::Resolve(const tLine& line, const tPlace& place,
                                                 const std::wstring& folder) const {
  std::optional<tPlaceTarget> target = ResolvePlace(place, folder, exists_);
  if (target) {
    target->Start += static_cast<size_t>(line.Start);
    target->End += static_cast<size_t>(line.Start);
  }
  return target;
}

std::optional<tPlaceTarget> cPanePlaces::PlaceAt(int position) const {
  const int row = static_cast<int>(Send(EM_LINEFROMCHAR, static_cast<WPARAM>(position)));
  const tLine line = LineOfRow(row);
  const auto column = static_cast<size_t>(std::max(position - line.Start, 0));
  for (const tPlace& place : FindPlaces(line.Text)) {
    if (column < place.Start || column >= place.End) continue;
    const std::wstring folder = place.Kind == pkFile ? FolderAt(line.FirstRow).Folder : std::wstring();
    std::optional<tPlaceTarget> target = Resolve(line, place, folder);
    const auto at = static_cast<size_t>(position);
    if (target && at >= target->Start && at < target->End) return target;
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<tPlaceTarget> cPanePlaces::NextPlace(int position, bool forward) const {
  const int rows = RowCount();
  const auto at = static_cast<size_t>(std::max(position, 0));
  int row = static_cast<int>(Send(EM_LINEFROMCHAR, static_cast<WPARAM>(position)));
  std::optional<tFolder> folder;
  for (int scanned = 0; row >= 0 && row < rows && scanned < kScanRows;) {
    const tLine line = LineOfRow(row);
    scanned += line.LastRow - line.FirstRow + 1;
    std::vector<tPlace> places = FindPlaces(line.Text);
    if (!forward) std::reverse(places.begin(), places.end());
    for (const tPlace& place : places) {
      // The part of the place that opens ends where the place ends, and starts no earlier.
      const std::size_t end = place.End + static_cast<std::size_t>(line.Start);
      if (forward ? end <= at : end > at) continue;
      if (place.Kind == pkFile) {
        // The folder is looked for once a location asks for it, and again only where the scan
        // passes the prompt it came from (upwards) or a new prompt (downwards).
        const bool stale = folder && !forward &&
                           (folder->PromptRow >= 0 ? line.FirstRow < folder->PromptRow : line.FirstRow < folder->Floor);
        if (!folder || stale) folder = FolderAt(line.FirstRow);
      }
      std::optional<tPlaceTarget> target = Resolve(line, place, folder ? folder->Folder : std::wstring());
      // A place on the network opens only when clicked, once the user has said yes.
      if (target && target->Reach != prNetwork && (forward ? target->Start >= at : target->End <= at)) return target;
    }
    if (forward) {
      row = line.LastRow + 1;
      if (folder && row < rows)
        if (std::optional<std::wstring> prompt = PromptFolder(LineHead(row))) folder = tFolder{std::move(*prompt), row, row};
    } else {
      row = line.FirstRow - 1;
    }
  }
  return std::nullopt;
}
