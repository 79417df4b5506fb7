#include "session/PlacesInPane.h"

#include <richedit.h>

#include <algorithm>
#include <chrono>
#include <unordered_map>
#include <utility>
#include <vector>

// The time a look or a search may take. A search looks at its first line or place whole, however
// long that takes, so that a search that goes on from where the last one stopped gets further.
class cPanePlaces::cBudget {
public:
  cBudget(double seconds, bool mustProgress)
      : deadline_(std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                         std::chrono::duration<double>(seconds))),
        progressed_(!mustProgress) {}

  bool Spent() const { return progressed_ && std::chrono::steady_clock::now() >= deadline_; }
  void Progressed() { progressed_ = true; }
  // Whether the file exists, while time is left; once it is up no probe runs, the answer is no,
  // and Denied tells. A log names the same files again and again, and many files of a folder that
  // is not here (a log from another machine): a file is asked for once, and once a folder is
  // known to be missing, none of its files.
  bool Probe(const tPathProbe& probe, const std::wstring& path) {
    const std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
    if (const auto known = folders_.find(folder); known != folders_.end() && !known->second) return false;
    if (const auto known = files_.find(path); known != files_.end()) return known->second;
    denied_ = denied_ || Spent();
    if (denied_) return false;
    const DWORD attributes = probe(path);
    if (attributes == INVALID_FILE_ATTRIBUTES && !folder.empty() && !folders_.contains(folder))
      folders_.emplace(folder, probe(folder) != INVALID_FILE_ATTRIBUTES);
    return files_.emplace(path, attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        .first->second;
  }
  bool Denied() const { return denied_; }

private:
  std::chrono::steady_clock::time_point deadline_;
  bool progressed_;
  bool denied_ = false;
  std::unordered_map<std::wstring, bool> files_, folders_;
};

DWORD PathAttributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

cPanePlaces::cPanePlaces(HWND pane, std::wstring workingFolder, tPathProbe probe)
    : pane_(pane),
      workingFolder_(std::move(workingFolder)),
      probe_(std::move(probe)),
      length_(static_cast<int>(::SendMessageW(pane, WM_GETTEXTLENGTH, 0, 0))) {}

std::wstring_view cPanePlaces::Text(int start, int end) const {
  start = std::clamp(start, 0, length_);
  end = std::clamp(end, start, length_);
  if (start < stretchStart_ || end > stretchStart_ + static_cast<int>(stretch_.size())) {
    // A stretch around what is asked for: the lines around it come from it too.
    stretchStart_ = std::clamp(start - (kStretch - (end - start)) / 2, 0, std::max(length_ - kStretch, 0));
    const int stretchEnd = std::min(stretchStart_ + kStretch, length_);
    stretch_.resize(static_cast<size_t>(stretchEnd - stretchStart_) + 1);
    TEXTRANGEW range{{stretchStart_, stretchEnd}, stretch_.data()};
    const LRESULT copied = ::SendMessageW(pane_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    stretch_.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, stretchEnd - stretchStart_)));
  }
  const std::wstring_view stretch(stretch_);
  return stretch.substr(std::min(static_cast<size_t>(start - stretchStart_), stretch.size()),
                        static_cast<size_t>(end - start));
}

cPanePlaces::tLine cPanePlaces::LineAt(int position) const {
  position = std::clamp(position, 0, length_);
  // Half of what recognition looks at may come before the position; one more unit finds a line
  // break that the half would cut.
  constexpr int kHalf = static_cast<int>(kPlaceLineLimit) / 2;
  const int from = std::max(position - kHalf - 1, 0);
  const std::size_t above = Text(from, position).rfind(L"\r\n");
  tLine line;
  line.Start = above != std::wstring_view::npos ? from + static_cast<int>(above) + 2 : std::max(position - kHalf, 0);
  line.StartsLine = above != std::wstring_view::npos || line.Start == 0;
  const std::wstring_view rest = Text(line.Start, line.Start + static_cast<int>(kPlaceLineLimit));
  const std::size_t end = rest.find(L"\r\n");
  line.Text = rest.substr(0, end);
  const int textEnd = line.Start + static_cast<int>(line.Text.size());
  if (end != std::wstring_view::npos) line.Next = textEnd + 2;
  else if (textEnd < length_) line.Next = textEnd;
  // A line break ends the line above; a line longer than recognition looks at goes on above.
  if (line.Start > 0) line.Previous = line.Start - (line.StartsLine ? 2 : 1);
  return line;
}

cPanePlaces::tFolder cPanePlaces::FolderAt(const tLine& line) const {
  tLine current = line;
  for (int n = 0; n < kPromptLines; ++n) {
    if (current.StartsLine)
      if (std::optional<std::wstring> prompt = PromptFolder(Text(current.Start, current.Start + kPromptLength)))
        return {std::move(*prompt), current.Start, current.Start};
    if (current.Previous < 0) break;
    current = LineAt(current.Previous);
  }
  return {workingFolder_, -1, current.Start};
}

std::optional<tPlaceTarget> cPanePlaces::Resolve(const tLine& line, const tPlace& place, const std::wstring& folder,
                                                 cBudget& budget) const {
  std::optional<tPlaceTarget> target =
      ResolvePlace(place, folder, [&](const std::wstring& path) { return budget.Probe(probe_, path); });
  if (budget.Denied()) return std::nullopt;
  if (target) {
    target->Start += static_cast<size_t>(line.Start);
    target->End += static_cast<size_t>(line.Start);
  }
  return target;
}

std::optional<tPlaceTarget> cPanePlaces::PlaceAt(int position) const {
  cBudget budget(kLookSeconds, false);
  const tLine line = LineAt(position);
  const auto column = static_cast<size_t>(std::max(position - line.Start, 0));
  for (const tPlace& place : FindPlaces(line.Text)) {
    if (column < place.Start || column >= place.End) continue;
    const std::wstring folder = place.Kind == pkFile ? FolderAt(line).Folder : std::wstring();
    std::optional<tPlaceTarget> target = Resolve(line, place, folder, budget);
    const auto at = static_cast<size_t>(position);
    if (target && at >= target->Start && at < target->End) return target;
    return std::nullopt;
  }
  return std::nullopt;
}

tPlaceSearch cPanePlaces::NextPlace(int position, bool forward) const {
  cBudget budget(kSearchSeconds, true);
  const auto at = static_cast<size_t>(std::max(position, 0));
  std::optional<tFolder> folder;
  for (int next = std::clamp(position, 0, length_); next >= 0; ) {
    // Downwards the position starts a line, upwards it ends one: the search goes on from there.
    if (budget.Spent()) return {std::nullopt, next};
    const tLine line = LineAt(next);
    // Downwards, a prompt changes the folder from its line on.
    if (forward && folder && line.StartsLine)
      if (std::optional<std::wstring> prompt = PromptFolder(line.Text))
        folder = tFolder{std::move(*prompt), line.Start, line.Start};
    std::vector<tPlace> places = FindPlaces(line.Text);
    if (!forward) std::reverse(places.begin(), places.end());
    for (const tPlace& place : places) {
      // The part of the place that opens ends where the place ends, and starts no earlier.
      const std::size_t end = place.End + static_cast<std::size_t>(line.Start);
      if (forward ? end <= at : end > at) continue;
      if (place.Kind == pkFile) {
        // The folder is looked for once a location asks for it, and upwards again only where the
        // search passes the prompt it came from, or the highest line looked at for it.
        const bool stale = folder && !forward &&
                           line.Start < (folder->PromptStart >= 0 ? folder->PromptStart : folder->Floor);
        if (!folder || stale) folder = FolderAt(line);
      }
      std::optional<tPlaceTarget> target = Resolve(line, place, folder ? folder->Folder : std::wstring(), budget);
      if (budget.Denied())
        return {std::nullopt, line.Start + static_cast<int>(forward ? place.Start : place.End)};
      budget.Progressed();
      if (target && target->Reach != prNetwork && (forward ? target->Start >= at : target->End <= at))
        return {std::move(target), -1};
    }
    budget.Progressed();
    next = forward ? line.Next : line.Previous;
  }
  return {};
}
