// Find over a 10 MB pane, measured side by side in one run against std::wstring's own search of
// the same text: forward and backward, with and without letter case. Each needle sits once in the
// text, far from where the search starts, so that every search scans nearly all of it. Three
// times per case, the best of several rounds each:
//   Find    the pane's Search: fetching the pane's text, searching it, selecting the match;
//   search  the search alone, over the text already fetched (the bounds of the whole text);
//   plain   std::wstring::find or rfind of the needle as it stands in the text.
// The difference between the first two is the window's: handing out its text and moving the
// selection deep into it. The pane is the output pane's window, the program's own view; the same
// cases run over the system's edit control too, as the command pane's window.
// Rows of the table: each case in the view against plain, and the worst case in the view against
// the same case in the edit control.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "editor/EditorSearches.h"
#include "gui/Window.h"
#include "tests/support/Flood.h"

namespace {

constexpr size_t kTextUnits = 10 * 1024 * 1024;
constexpr int kRounds = 9;

class cHost final : public gui::cWindow {
public:
  cHost() {
    CreateHandle(0, RegisterWindowClass(L"MarveskFindBenchHost"), L"", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                 nullptr);
  }
};

// The best of the rounds, in seconds.
double Seconds(const std::function<void()>& action) {
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    double start = Clock();
    action();
    best = std::min(best, Clock() - start);
  }
  return best;
}

}  // namespace

int main() {
  StartBench();

  const std::wstring forwardNeedle = L"[Forward Needle]", backwardNeedle = L"[Backward Needle]";
  const std::string flood = FloodText(kTextUnits);
  std::wstring text(flood.begin(), flood.end());
  text.replace(kTextUnits / 20, backwardNeedle.size(), backwardNeedle);
  text.replace(kTextUnits - kTextUnits / 20, forwardNeedle.size(), forwardNeedle);

  cHost host;
  struct tCase {
    const char* name;
    std::wstring pattern;
    tSearchOptions options;
    const std::wstring& needle;
  };
  const tCase cases[] = {
      {"forward, case sensitive", forwardNeedle, 0, forwardNeedle},
      {"forward, ignoring case", L"[fORWARD nEEDLE]", soIgnoreCase, forwardNeedle},
      {"backward, case sensitive", backwardNeedle, soBackward, backwardNeedle},
      {"backward, ignoring case", L"[bACKWARD nEEDLE]", soIgnoreCase | soBackward, backwardNeedle},
  };
  struct tWindow {
    const char* name;
    tMemoWindow window;
    std::vector<double> find, plain;  // seconds per case
  };
  tWindow windows[] = {{"output view", mwTextView, {}, {}}, {"system EDIT", mwSystemEdit, {}, {}}};
  for (tWindow& w : windows) {
    cSearchableEditor pane(w.window);
    pane.SetBounds(0, 0, 600, 400);
    pane.Create(host.Handle(), 1);
    pane.SetWText(text);
    if (pane.WText() != text) {
      std::printf("the %s does not hold the text\n", w.name);
      return 1;
    }
    std::printf("find in the %s of %zu UTF-16 units, best of %d rounds\n", w.name, kTextUnits, kRounds);
    std::printf("                                Find       search      plain   Find/plain  search/plain\n");
    for (const auto& c : cases) {
      const bool backward = (c.options & soBackward) != 0;
      const tSearchRequest request{srEntireScope, c.options, c.pattern};
      bool found = true;
      const double paneSeconds = Seconds([&] {
        pane.SetSelStart(0);
        found = found && pane.Search(c.pattern, request);
      });
      const size_t expected = backward ? kTextUnits / 20 : kTextUnits - kTextUnits / 20;
      found = found && pane.SelStart() == int(expected) && pane.WSelText() == c.needle;
      int searchAt = 0;
      const double searchSeconds = Seconds([&] {
        searchAt = backward ? cSearchableEditor::BackwardPos(c.pattern, text, c.options, 1, int(text.size()))
                            : cSearchableEditor::ForwardPos(c.pattern, text, c.options, 1);
      });
      size_t plainAt = 0;
      const double plainSeconds = Seconds([&] { plainAt = backward ? text.rfind(c.needle) : text.find(c.needle); });
      if (!found || plainAt != expected || searchAt != int(expected) + 1) {
        std::printf("%s: wrong match\n", c.name);
        return 1;
      }
      std::printf("  %-24s  %7.2f ms  %7.2f ms  %7.2f ms  %8.2f  %10.2f\n", c.name, paneSeconds * 1000,
                  searchSeconds * 1000, plainSeconds * 1000, paneSeconds / plainSeconds, searchSeconds / plainSeconds);
      w.find.push_back(paneSeconds);
      w.plain.push_back(plainSeconds);
    }
  }
  const tWindow& view = windows[0];
  const tWindow& edit = windows[1];
  size_t worst = 0;
  for (size_t i = 0; i < std::size(cases); ++i) {
    Row(std::string("find in 10 MB output view, ") + cases[i].name + ", vs wstring find", view.find[i] * 1000,
        view.plain[i] * 1000, "ms");
    if (view.find[i] / view.plain[i] > view.find[worst] / view.plain[worst]) worst = i;
  }
  Row(std::string("find in 10 MB, ") + cases[worst].name + ", output view vs system EDIT", view.find[worst] * 1000,
      edit.find[worst] * 1000, "ms");
  return 0;
}
