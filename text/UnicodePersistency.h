#pragma once
// Text files in four encoding schemes. A file starts with the byte order mark of its scheme
// (EF BB BF, FF FE, FE FF); a file without one is UTF-8 when its bytes are well-formed UTF-8 with
// at least one multi-byte sequence, else ANSI text in the system code page. Saving
// writes the mark of the chosen scheme, then the text, with nothing changed on the way: line
// breaks go out and come in as the text holds them.
//
// Saving goes through a temporary file in the target's folder that then replaces the target, so
// a save that fails leaves the old file as it was; an existing target is replaced through
// ReplaceFileW, which keeps what the file system holds about it (attributes, security, creation
// time, object identifier). Loading reads the whole file before it touches the pane, so a load that fails leaves
// the pane's text as it was; it shares the file for reading, writing and deleting, so a log that
// another program is writing can be loaded.
//
// A text control ends its text at the first NUL character, so a loaded NUL is shown as a visible
// stand-in, which a save then writes.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "gui/Error.h"
#include "text/EncodingScheme.h"
#include "unicode/UnicodeControls.h"

// What a loaded NUL character becomes: SYMBOL FOR NULL.
inline constexpr wchar_t NulStandIn = 0x2400;

// What a load found.
struct tLoadedFile {
  tEncodingScheme Scheme;
  // The NUL characters of the file, each now a NulStandIn.
  std::size_t ReplacedNuls;
};

// What a load or save reaches: the whole text of something.
class IWPersistentText {
public:
  // Replaces the whole text.
  virtual void SetText(std::wstring_view text) = 0;
  // The whole text.
  virtual std::wstring GetText() const = 0;
  // Hands the text to write in stretches, in order, none parting a surrogate pair; all of it in
  // one unless the text can be read a stretch at a time.
  virtual void ForEachStretch(const std::function<void(std::wstring_view)>& write) const { write(GetText()); }

protected:
  ~IWPersistentText() = default;
};

// A file could not be opened for reading, or fewer bytes came than its size announced.
class cFileReadError : public gui::cError { using cError::cError; };
// A file could not be created, written or put in place of the old one, or its text not converted.
class cFileWriteError : public gui::cError { using cError::cError; };

class cWPersistencyAdapter {
public:
  cWPersistencyAdapter() = delete;

  // The bytes of each scheme's byte order mark: 3, 2, 2 and 0.
  static std::size_t SignatureLength(tEncodingScheme scheme) noexcept;
  // The scheme whose mark the bytes start with; esANSI when none does. A shorter input never
  // matches a longer mark.
  static tEncodingScheme SchemeFromSignature(std::string_view bytes) noexcept;

  // The scheme of a file's bytes: its mark's; without a mark UTF-8 when the bytes are well-formed
  // UTF-8 holding at least one multi-byte sequence, else ANSI.
  static tEncodingScheme DetectEncoding(std::string_view bytes) noexcept;

  // The ANSI code page below is CP_ACP or a number that stands for it.

  // Decodes a file's bytes, mark included, into text; returns the scheme DetectEncoding gave.
  // UTF-8 is decoded by code point (four-byte sequences become surrogate pairs); every malformed
  // byte becomes U+FFFD. An odd last byte of UTF-16 is dropped.
  static tEncodingScheme Decode(std::string_view bytes, std::wstring& text, UINT ansiCodePage = CP_ACP);
  // The bytes of a file holding the text in the scheme, mark first. A surrogate pair becomes one
  // four-byte UTF-8 sequence; characters without an ANSI mapping become the code page's default
  // character. Throws cConversionError when the code page conversion fails.
  static std::string Encode(std::wstring_view text, tEncodingScheme scheme, UINT ansiCodePage = CP_ACP);
  // The same without the signature, added to the bytes.
  static void AppendEncoded(std::wstring_view text, tEncodingScheme scheme, UINT ansiCodePage, std::string& bytes);

  // Makes every NUL character of the text a NulStandIn; returns how many there were.
  static std::size_t ReplaceNuls(std::wstring& text) noexcept;

  // Whether the text changes on its way to the ANSI code page and back.
  static bool IsAnsiLossy(std::wstring_view text, UINT ansiCodePage = CP_ACP);
  // Before an ANSI save: true when the text survives it, else asks the user with a warning box
  // owned by the owner; true when the user chooses OK.
  static bool ConfirmAnsiSave(HWND owner, std::wstring_view fileName, std::wstring_view text,
                              std::wstring_view caption);

  // Replaces the target's text with the file's, its NUL characters replaced (ReplaceNuls); returns
  // the scheme of the file and the count. Throws cFileReadError; the target is then untouched.
  static tLoadedFile LoadFromFile(IWPersistentText& target, std::wstring_view fileName);
  // Writes the source's text to the file in the scheme, in a folder of any length. Throws
  // cFileWriteError with the system's reason (or the failed conversion's); an existing file is
  // then unchanged and nothing else is left in its folder.
  static void SaveToFile(const IWPersistentText& source, tEncodingScheme scheme, std::wstring_view fileName,
                         UINT ansiCodePage = CP_ACP);
};

// A memo that loads and saves its text as a file.
class cWPersistentMemo : public cWMemo, public IWPersistentText {
public:
  explicit cWPersistentMemo(tMemoWindow window = mwSystemEdit) : cWMemo(window) {}

  void SetText(std::wstring_view text) override { SetWText(text); }
  std::wstring GetText() const override { return WText(); }
  // The window's text a stretch at a time where it hands out ranges, without a copy of all of it.
  void ForEachStretch(const std::function<void(std::wstring_view)>& write) const override;

  // See cWPersistencyAdapter::LoadFromFile and SaveToFile.
  tLoadedFile LoadFromFile(std::wstring_view fileName);
  void SaveToFile(std::wstring_view fileName, tEncodingScheme scheme) const;
  // See cWPersistencyAdapter::ConfirmAnsiSave, over the memo's text.
  bool ConfirmAnsiSave(HWND owner, std::wstring_view fileName, std::wstring_view caption) const;

  // The scheme of the file loaded last, until ForgetLoadedScheme: what a Save As of the memo
  // starts with, so that accepting it keeps the file's encoding.
  std::optional<tEncodingScheme> LoadedScheme() const noexcept { return loadedScheme_; }
  void ForgetLoadedScheme() noexcept { loadedScheme_.reset(); }

private:
  std::optional<tEncodingScheme> loadedScheme_;
};
