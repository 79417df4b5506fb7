#include "session/ChildEnvironment.h"

#include <windows.h>

#include <algorithm>
#include <memory>

namespace {

// The name of an entry: up to the "=" that follows it. A name may begin with "=" ("=C:").
std::wstring_view NameOf(std::wstring_view entry) {
  const size_t equals = entry.find(L'=', 1);
  return entry.substr(0, equals == std::wstring_view::npos ? entry.size() : equals);
}

// Compares two names as the system does: ordinal, without regard to letter case.
int CompareNames(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) -
         CSTR_EQUAL;
}

struct tEnvironmentStringsDeleter {
  void operator()(wchar_t* strings) const noexcept { ::FreeEnvironmentStringsW(strings); }
};

}  // namespace

std::optional<tEnvironmentChange> ParseEnvironmentChange(std::wstring_view text) {
  const size_t equals = text.find(L'=');
  if (equals == std::wstring_view::npos || equals == 0) return std::nullopt;
  tEnvironmentChange change{std::wstring(text.substr(0, equals)), std::nullopt};
  if (equals + 1 < text.size()) change.Value = std::wstring(text.substr(equals + 1));
  return change;
}

std::optional<std::wstring> PythonEncodingName(const tPipeEncodings& encodings, unsigned ansiCodePage,
                                               unsigned oemCodePage) {
  if (!(encodings.Input == encodings.Output)) return std::nullopt;
  std::wstring name;
  switch (encodings.Output.Scheme) {
    case esUTF8:
      name = L"utf-8";
      break;
    case esUTF16LE:
      name = L"utf-16-le";
      break;
    case esUTF16BE:
      name = L"utf-16-be";
      break;
    case esANSI:
      name = L"cp" + std::to_wstring(encodings.Output.Oem ? oemCodePage : ansiCodePage);
      break;
  }
  // A character that the encoding cannot carry (one the code page lacks, or a lone surrogate) is
  // written as a backslash escape. With the encoding alone, Python raises instead, and print()
  // fails in the child.
  return name + L":backslashreplace";
}

std::vector<std::wstring> ProcessEnvironment() {
  std::vector<std::wstring> entries;
  const std::unique_ptr<wchar_t, tEnvironmentStringsDeleter> strings(::GetEnvironmentStringsW());
  if (!strings) return entries;
  for (const wchar_t* entry = strings.get(); *entry; entry += entries.back().size() + 1) entries.emplace_back(entry);
  return entries;
}

std::wstring ChildEnvironmentBlock(const std::vector<std::wstring>& entries,
                                   const std::optional<std::wstring>& pythonEncoding,
                                   const std::vector<tEnvironmentChange>& changes) {
  std::vector<std::wstring> result(entries);
  auto named = [](std::wstring_view name) {
    return [name](const std::wstring& entry) { return CompareNames(NameOf(entry), name) == 0; };
  };
  auto setDefault = [&](std::wstring_view name, std::wstring_view value) {
    if (std::none_of(result.begin(), result.end(), named(name)))
      result.push_back(std::wstring(name) + L'=' + std::wstring(value));
  };
  setDefault(L"PYTHONUNBUFFERED", L"1");
  if (pythonEncoding) setDefault(L"PYTHONIOENCODING", *pythonEncoding);
  for (const tEnvironmentChange& change : changes) {
    // An environment may hold a name twice in different letter case (Path and PATH, as a program
    // that builds its children's environment itself can leave it): every one of them goes.
    std::erase_if(result, named(change.Name));
    if (change.Value) result.push_back(change.Name + L'=' + *change.Value);
  }
  std::stable_sort(result.begin(), result.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareNames(NameOf(a), NameOf(b)) < 0;
  });
  std::wstring block;
  for (const std::wstring& entry : result) {
    block += entry;
    block += L'\0';
  }
  // An empty environment is two NULs.
  if (block.empty()) block += L'\0';
  block += L'\0';
  return block;
}
