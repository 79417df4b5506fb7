// The output view's text store on its own, against a plain std::wstring doing the same work:
// 64 MB of the test child's flood appended in pieces the size of a pipe chunk, one more line into
// it, a character typed in its middle and at its end, a scan of 10 MB read in place, and the
// bytes it holds a character.
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchSupport.h"
#include "view/TextStore.h"
#include "tests/support/Flood.h"

namespace {

constexpr size_t kPiece = 65536;

template <class Work>
double Seconds(Work work) {
  const double start = Clock();
  work();
  return Clock() - start;
}

}  // namespace

int main() {
  StartBench();
  const std::string bytes = FloodText(64 << 20);
  const std::wstring flood(bytes.begin(), bytes.end());

  view::cTextStore store;
  const double appended = Seconds([&] {
    for (size_t at = 0; at < flood.size(); at += kPiece) store.Append(std::wstring_view(flood).substr(at, kPiece));
  });
  std::wstring plain;
  const double appendedPlain = Seconds([&] {
    for (size_t at = 0; at < flood.size(); at += kPiece) plain += std::wstring_view(flood).substr(at, kPiece);
  });
  std::printf("64 MB appended: store %.3f s, std::wstring %.3f s\n", appended, appendedPlain);
  Row("store: 64 MB appended in 64 K pieces", appended, appendedPlain, "s");
  Row("store: bytes a character at 64 MB", double(store.BytesHeld()) / double(store.Length()), 2.0, "bytes");

  const std::wstring line = std::wstring(78, L'z') + L"\r\n";
  Row("store: one more line into 64 MB", Seconds([&] { store.Append(line); }) * 1000,
      Seconds([&] { plain += line; }) * 1000, "ms");
  const view::tTextPos middle = store.Length() / 2;
  Row("store: a character typed in the middle of 64 MB", Seconds([&] { store.Replace(middle, 0, L"x"); }) * 1000,
      Seconds([&] { plain.insert(static_cast<size_t>(middle), 1, L'x'); }) * 1000, "ms");
  Row("store: a backspace at the end of 64 MB", Seconds([&] { store.Replace(store.Length() - 1, 1, L""); }) * 1000,
      Seconds([&] { plain.pop_back(); }) * 1000, "ms");

  // A needle that is not there: every character is read once.
  const std::wstring_view needle = L"not in the flood";
  const std::wstring_view tenMegabytes = std::wstring_view(plain).substr(0, 10 << 20);
  size_t found = 0;
  const double scanned = Seconds([&] {
    store.ForEachPiece(0, 10 << 20, [&](view::tTextPos, std::wstring_view piece) {
      found += piece.find(needle) != std::wstring_view::npos;
      return true;
    });
  });
  const double scannedPlain = Seconds([&] { found += tenMegabytes.find(needle) != std::wstring_view::npos; });
  Row("store: 10 MB scanned in place", scanned * 1000, scannedPlain * 1000, "ms");
  return found == 0 && store.Length() == static_cast<view::tTextPos>(plain.size()) ? 0 : 1;
}
