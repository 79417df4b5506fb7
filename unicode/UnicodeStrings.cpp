#include "unicode/UnicodeStrings.h"

#include <windows.h>

#include "gui/Error.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "text/TextCodec.h"

void cWStrings::Assign(const cWStrings& source) {
  if (&source == this) return;
  cUpdateScope scope(*this);
  Clear();
  AddStrings(source);
}

void cWStrings::Assign(const cStrings& source) {
  throw gui::cError(gui::FormatRes(IDS_CANNOT_ASSIGN, {source.ClassName(), ClassName()}));
}

std::wstring cWStringsNonNT::Get(int index) const { return WideText(narrowList_.Get(index)); }

int cWStringsNonNT::GetCount() const { return narrowList_.GetCount(); }

tLineObject cWStringsNonNT::GetObject(int index) const { return narrowList_.GetObject(index); }

std::wstring cWStringsNonNT::GetTextStr() const { return WideText(narrowList_.GetTextStr()); }

void cWStringsNonNT::Put(int index, std::wstring_view text) { narrowList_.Put(index, NarrowText(text)); }

void cWStringsNonNT::PutObject(int index, tLineObject object) { narrowList_.PutObject(index, object); }

void cWStringsNonNT::SetTextStr(std::wstring_view text) { narrowList_.SetTextStr(NarrowText(text)); }

int cWStringsNonNT::Add(std::wstring_view text) { return narrowList_.Add(NarrowText(text)); }

int cWStringsNonNT::AddObject(std::wstring_view text, tLineObject object) {
  return narrowList_.AddObject(NarrowText(text), object);
}

void cWStringsNonNT::Clear() { narrowList_.Clear(); }

void cWStringsNonNT::Delete(int index) { narrowList_.Delete(index); }

int cWStringsNonNT::IndexOf(std::wstring_view text) const { return narrowList_.IndexOf(NarrowText(text)); }

void cWStringsNonNT::Insert(int index, std::wstring_view text) { narrowList_.Insert(index, NarrowText(text)); }

void cWStringsNonNT::InsertObject(int index, std::wstring_view text, tLineObject object) {
  narrowList_.InsertObject(index, NarrowText(text), object);
}

void cWStringsNonNT::SetUpdateState(bool updating) {
  if (updating)
    narrowList_.BeginUpdate();
  else
    narrowList_.EndUpdate();
}

std::string NarrowText(std::wstring_view text) { return cTextCodec::ToCodePage(CP_ACP, text); }

std::wstring WideText(std::string_view text) { return cTextCodec::FromCodePage(CP_ACP, text); }

void SetWideString(std::wstring& target, const wchar_t* source, int length) {
  target.clear();
  if (length <= 0) return;
  if (source)
    target.assign(source, static_cast<size_t>(length));
  else
    target.resize(static_cast<size_t>(length));
}
