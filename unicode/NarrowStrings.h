#pragma once
// The narrow (ANSI) string list: what the narrow controls hold their lines in and what
// cWStringsNonNT wraps on systems without wide windows.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "unicode/BasicStrings.h"

class cStrings : public cBasicStrings<char> {};

// A narrow list that keeps its lines in memory. Indexes out of range fail with
// "List index out of bounds (%d)".
class cStringList final : public cStrings {
public:
  std::string Get(int index) const override;
  int GetCount() const override;
  tLineObject GetObject(int index) const override;
  void Put(int index, std::string_view text) override;
  void PutObject(int index, tLineObject object) override;
  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, std::string_view text) override;
  void InsertObject(int index, std::string_view text, tLineObject object) override;
  std::wstring_view ClassName() const override { return L"cStringList"; }

private:
  void CheckIndex(int index, int limit) const;

  std::vector<std::pair<std::string, tLineObject>> items_;
};
