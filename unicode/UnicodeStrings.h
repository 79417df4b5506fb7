#pragma once
// The wide string list: the lines of a pane and the items of a combo box as UTF-16 strings,
// whatever holds them. Callers never need to know which list stands behind a cWStrings.
#include <string>
#include <string_view>

#include "unicode/BasicStrings.h"
#include "unicode/NarrowStrings.h"

class cWStrings : public cBasicStrings<wchar_t> {
public:
  // Replaces the lines and objects of this list by those of the source.
  void Assign(const cWStrings& source);
  // A narrow list is refused with "Cannot assign a %s to a %s": its lines would pass through the
  // code page unnoticed. Wrap it in a cWStringsNonNT to read it as wide text.
  [[noreturn]] void Assign(const cStrings& source);
};

// A wide view of a narrow list: every line passes through the system's ANSI code page, and what
// the code page lacks becomes its default character. The narrow list is not owned and must
// outlive the view. Batches and objects reach the narrow list as well.
class cWStringsNonNT final : public cWStrings {
public:
  explicit cWStringsNonNT(cStrings& narrowList) : narrowList_(narrowList) {}

  std::wstring Get(int index) const override;
  int GetCount() const override;
  tLineObject GetObject(int index) const override;
  std::wstring GetTextStr() const override;
  void Put(int index, std::wstring_view text) override;
  void PutObject(int index, tLineObject object) override;
  void SetTextStr(std::wstring_view text) override;
  int Add(std::wstring_view text) override;
  int AddObject(std::wstring_view text, tLineObject object) override;
  void Clear() override;
  void Delete(int index) override;
  int IndexOf(std::wstring_view text) const override;
  void Insert(int index, std::wstring_view text) override;
  void InsertObject(int index, std::wstring_view text, tLineObject object) override;
  std::wstring_view ClassName() const override { return L"cWStringsNonNT"; }

protected:
  void SetUpdateState(bool updating) override;

private:
  cStrings& narrowList_;
};

// Wide text to the ANSI code page and back; a character the code page lacks becomes its default
// character (never a look-alike).
std::string NarrowText(std::wstring_view text);
std::wstring WideText(std::string_view text);

// The target becomes empty, then, for a positive length, that many characters long: copied from
// the source when one is given, zeros otherwise.
void SetWideString(std::wstring& target, const wchar_t* source, int length);
