#include "text/UnicodePersistency.h"

#include <climits>
#include <cstring>
#include <utility>

#include "gui/DialogSeam.h"
#include "gui/Handle.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "text/Utils.h"

namespace {

constexpr wchar_t kReplacementCharacter = 0xFFFD;

bool StartsWith(std::string_view bytes, std::string_view signature) noexcept {
  return bytes.size() >= signature.size() && bytes.substr(0, signature.size()) == signature;
}

std::string_view SignatureOf(tEncodingScheme scheme) noexcept {
  switch (scheme) {
    case esUTF8: return {"\xEF\xBB\xBF", 3};
    case esUTF16LE: return {"\xFF\xFE", 2};
    case esUTF16BE: return {"\xFE\xFF", 2};
    case esANSI: break;
  }
  return {};
}

bool IsContinuation(unsigned char byte) noexcept { return (byte & 0xC0) == 0x80; }

// The code point of the well-formed UTF-8 sequence at the start of bytes, and its length; length 0
// when the first byte does not start one. Overlong forms, encoded surrogates and values above
// U+10FFFF are not well formed.
std::pair<char32_t, std::size_t> DecodeSequence(const unsigned char* bytes, std::size_t available) noexcept {
  const unsigned char lead = bytes[0];
  std::size_t length;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  char32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {0, 0};
  }
  if (available < length || bytes[1] < low || bytes[1] > high) return {0, 0};
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(bytes[i])) return {0, 0};
    value = (value << 6) | (bytes[i] & 0x3F);
  }
  return {value, length};
}

// Every byte that does not belong to a well-formed sequence becomes one U+FFFD.
std::wstring DecodeUtf8(std::string_view payload) {
  // No sequence gives more UTF-16 units than it has bytes.
  std::wstring text(payload.size(), L'\0');
  wchar_t* out = text.data();
  const auto* in = reinterpret_cast<const unsigned char*>(payload.data());
  const auto* const end = in + payload.size();
  while (in != end) {
    if (*in < 0x80) {
      *out++ = static_cast<wchar_t>(*in++);
      continue;
    }
    const auto [value, length] = DecodeSequence(in, static_cast<std::size_t>(end - in));
    if (length == 0) {
      *out++ = kReplacementCharacter;
      ++in;
    } else if (value >= 0x10000) {
      *out++ = static_cast<wchar_t>(0xD800 + ((value - 0x10000) >> 10));
      *out++ = static_cast<wchar_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
      in += length;
    } else {
      *out++ = static_cast<wchar_t>(value);
      in += length;
    }
  }
  text.resize(static_cast<std::size_t>(out - text.data()));
  return text;
}

// A surrogate pair becomes one four-byte sequence; a surrogate without its partner cannot be
// written as UTF-8 and becomes U+FFFD.
void EncodeUtf8(std::wstring_view text, std::string& bytes) {
  const std::size_t start = bytes.size();
  // At most three bytes per unit (a pair takes four for two units).
  bytes.resize(start + 3 * text.size());
  auto* out = reinterpret_cast<unsigned char*>(bytes.data() + start);
  const auto* const begin = out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t value = text[i];
    if (value >= 0xD800 && value <= 0xDFFF) {
      if (value <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        value = 0x10000 + ((value - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
      } else {
        value = kReplacementCharacter;
      }
    }
    if (value < 0x80) {
      *out++ = static_cast<unsigned char>(value);
    } else if (value < 0x800) {
      *out++ = static_cast<unsigned char>(0xC0 | (value >> 6));
      *out++ = static_cast<unsigned char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
      *out++ = static_cast<unsigned char>(0xE0 | (value >> 12));
      *out++ = static_cast<unsigned char>(0x80 | ((value >> 6) & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | (value & 0x3F));
    } else {
      *out++ = static_cast<unsigned char>(0xF0 | (value >> 18));
      *out++ = static_cast<unsigned char>(0x80 | ((value >> 12) & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | ((value >> 6) & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | (value & 0x3F));
    }
  }
  bytes.resize(start + static_cast<std::size_t>(out - begin));
}

// The code-page conversions take int counts; texts beyond that are larger than any pane holds.
template <class Error>
int CheckedCount(std::size_t count, unsigned messageId) {
  if (count > INT_MAX) throw Error(gui::LoadResString(messageId));
  return static_cast<int>(count);
}

std::wstring AnsiToWide(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int count = CheckedCount<cFileReadError>(bytes.size(), IDS_STREAM_READ_ERROR);
  const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, nullptr, 0);
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, text.data(), length);
  return text;
}

void WideToAnsi(std::wstring_view text, std::string& bytes) {
  if (text.empty()) return;
  const int count = CheckedCount<cFileWriteError>(text.size(), IDS_STREAM_WRITE_ERROR);
  const int length = ::WideCharToMultiByte(CP_ACP, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
  const std::size_t start = bytes.size();
  bytes.resize(start + static_cast<std::size_t>(length));
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), count, bytes.data() + start, length, nullptr, nullptr);
}

std::wstring FullPath(std::wstring_view fileName) {
  const std::wstring name(fileName);
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = ::GetFullPathNameW(name.c_str(), static_cast<DWORD>(path.size()), path.data(), nullptr);
  if (length >= path.size()) {
    path.resize(length);
    length = ::GetFullPathNameW(name.c_str(), static_cast<DWORD>(path.size()), path.data(), nullptr);
  }
  if (length == 0 || length >= path.size()) return name;
  path.resize(length);
  return path;
}

// The error of a file that could not be opened or created: its full path and the system's text
// for the last error.
template <class Error>
Error FileError(unsigned messageId, const std::wstring& path) {
  const DWORD code = ::GetLastError();
  return Error(gui::FormatRes(messageId, {path, cSystemResources::SystemErrorTextW(code)}));
}

std::string ReadWholeFile(std::wstring_view fileName) {
  const std::wstring path = FullPath(fileName);
  constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  gui::cKernelHandle file(
      ::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw FileError<cFileReadError>(IDS_CANNOT_OPEN_FILE, path);
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > INT_MAX)
    throw cFileReadError(gui::LoadResString(IDS_STREAM_READ_ERROR));
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr) ||
        read == 0)
      throw cFileReadError(gui::LoadResString(IDS_STREAM_READ_ERROR));
    done += read;
  }
  return bytes;
}

// A name of its own in the folder, reserved by an empty file there.
std::wstring ReserveName(const std::wstring& folder, const std::wstring& target) {
  wchar_t name[MAX_PATH];
  if (::GetTempFileNameW(folder.c_str(), L"mvk", 0, name) == 0)
    throw FileError<cFileWriteError>(IDS_CANNOT_CREATE_FILE, target);
  return name;
}

// A file in the target's folder that takes the new contents and then the target's place; it is
// removed again unless it got there.
class cReplacementFile {
public:
  explicit cReplacementFile(const std::wstring& target) : target_(target) {
    const std::size_t slash = target_.find_last_of(L"\\/");
    folder_ = slash == std::wstring::npos ? std::wstring(L".") : target_.substr(0, slash + 1);
    path_ = ReserveName(folder_, target_);
    file_.reset(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
    if (!file_) {
      const DWORD code = ::GetLastError();
      ::DeleteFileW(path_.c_str());
      ::SetLastError(code);
      throw FileError<cFileWriteError>(IDS_CANNOT_CREATE_FILE, target_);
    }
  }
  ~cReplacementFile() {
    file_.reset();
    if (!path_.empty()) ::DeleteFileW(path_.c_str());
  }
  cReplacementFile(const cReplacementFile&) = delete;
  cReplacementFile& operator=(const cReplacementFile&) = delete;

  void Write(std::string_view bytes) {
    while (!bytes.empty()) {
      const DWORD piece = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
      DWORD written = 0;
      if (!::WriteFile(file_.get(), bytes.data(), piece, &written, nullptr) || written == 0) WriteFailed();
      bytes.remove_prefix(written);
    }
  }

  // Puts the file in the target's place: a new target by MoveFileExW, an existing one by
  // ReplaceFileW (which needs the target to exist).
  void Commit() {
    if (!::FlushFileBuffers(file_.get())) WriteFailed();
    file_.reset();
    const DWORD attributes = ::GetFileAttributesW(target_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (!::MoveFileExW(path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        WriteFailed();
    } else {
      Replace(attributes);
    }
    path_.clear();
  }

private:
  [[noreturn]] static void WriteFailed() { throw cFileWriteError(gui::LoadResString(IDS_STREAM_WRITE_ERROR)); }

  // Without a backup, ReplaceFileW may fail after the old file is gone
  // (ERROR_UNABLE_TO_MOVE_REPLACEMENT; Wine 8 has then deleted it). With one, the old file is
  // either still in place or the backup, which then goes back.
  void Replace(DWORD attributes) {
    const std::wstring backup = ReserveName(folder_, target_);
    // Wine's ReplaceFileW is a rename that keeps none of the target's attributes; Windows' carries
    // them over itself.
    ::SetFileAttributesW(path_.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    if (::ReplaceFileW(target_.c_str(), path_.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                       nullptr)) {
      ::DeleteFileW(backup.c_str());
      return;
    }
    // A backup that cannot go back stays: it is all that is left of the old file.
    if (::GetLastError() != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 ||
        ::MoveFileExW(backup.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      ::DeleteFileW(backup.c_str());
    WriteFailed();
  }

  std::wstring target_;
  std::wstring folder_;
  std::wstring path_;
  gui::cKernelHandle file_;
};

// Fails as creating the target would, before anything is written: an existing target must be
// writable (not read-only, not a folder, not locked by another program). The read-only mark is
// read rather than left to the open and the replace, which Wine lets through for a user with
// the rights to write the host file anyway.
void CheckTargetWritable(const std::wstring& target) {
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    throw FileError<cFileWriteError>(IDS_CANNOT_CREATE_FILE, target);
  }
  gui::cKernelHandle file(::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw FileError<cFileWriteError>(IDS_CANNOT_CREATE_FILE, target);
}

}  // namespace

std::size_t cWPersistencyAdapter::SignatureLength(tEncodingScheme scheme) noexcept {
  return SignatureOf(scheme).size();
}

tEncodingScheme cWPersistencyAdapter::SchemeFromSignature(std::string_view bytes) noexcept {
  for (const tEncodingScheme scheme : {esUTF8, esUTF16LE, esUTF16BE})
    if (StartsWith(bytes, SignatureOf(scheme))) return scheme;
  return esANSI;
}

tEncodingScheme cWPersistencyAdapter::Decode(std::string_view bytes, std::wstring& text) {
  const tEncodingScheme scheme = SchemeFromSignature(bytes);
  const std::string_view payload = bytes.substr(SignatureLength(scheme));
  switch (scheme) {
    case esUTF8:
      text = DecodeUtf8(payload);
      break;
    case esUTF16LE:
    case esUTF16BE:
      text.assign(payload.size() / 2, L'\0');
      std::memcpy(text.data(), payload.data(), text.size() * sizeof(wchar_t));
      if (scheme == esUTF16BE) cStringUtils::SwapByteOrder(text);
      break;
    case esANSI:
      text = AnsiToWide(payload);
      break;
  }
  return scheme;
}

std::string cWPersistencyAdapter::Encode(std::wstring_view text, tEncodingScheme scheme) {
  std::string bytes(SignatureOf(scheme));
  switch (scheme) {
    case esUTF8:
      EncodeUtf8(text, bytes);
      break;
    case esUTF16LE:
    case esUTF16BE: {
      const std::size_t start = bytes.size();
      bytes.resize(start + text.size() * sizeof(wchar_t));
      std::memcpy(bytes.data() + start, text.data(), text.size() * sizeof(wchar_t));
      if (scheme == esUTF16BE)
        for (std::size_t i = start; i < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
      break;
    }
    case esANSI:
      WideToAnsi(text, bytes);
      break;
  }
  return bytes;
}

bool cWPersistencyAdapter::IsAnsiLossy(std::wstring_view text) {
  std::string narrow;
  WideToAnsi(text, narrow);
  return AnsiToWide(narrow) != text;
}

bool cWPersistencyAdapter::ConfirmAnsiSave(HWND owner, std::wstring_view fileName, std::wstring_view text,
                                           std::wstring_view caption) {
  if (!IsAnsiLossy(text)) return true;
  const std::wstring message = gui::FormatRes(IDS_CONFIRM_ANSI_SAVE, {fileName});
  return gui::cDialogSeam::ShowMessage(owner, message, caption, MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK;
}

std::size_t cWPersistencyAdapter::ReplaceNuls(std::wstring& text) noexcept {
  std::size_t count = 0;
  for (wchar_t& c : text)
    if (c == L'\0') {
      c = NulStandIn;
      ++count;
    }
  return count;
}

tLoadedFile cWPersistencyAdapter::LoadFromFile(IWPersistentText& target, std::wstring_view fileName) {
  std::wstring text;
  const tEncodingScheme scheme = Decode(ReadWholeFile(fileName), text);
  const std::size_t nuls = ReplaceNuls(text);
  target.SetText(text);
  return {scheme, nuls};
}

void cWPersistencyAdapter::SaveToFile(const IWPersistentText& source, tEncodingScheme scheme,
                                      std::wstring_view fileName) {
  const std::wstring target = FullPath(fileName);
  CheckTargetWritable(target);
  const std::string bytes = Encode(source.GetText(), scheme);
  cReplacementFile file(target);
  file.Write(bytes);
  file.Commit();
}

tLoadedFile cWPersistentMemo::LoadFromFile(std::wstring_view fileName) {
  return cWPersistencyAdapter::LoadFromFile(*this, fileName);
}

void cWPersistentMemo::SaveToFile(std::wstring_view fileName, tEncodingScheme scheme) const {
  cWPersistencyAdapter::SaveToFile(*this, scheme, fileName);
}

bool cWPersistentMemo::ConfirmAnsiSave(HWND owner, std::wstring_view fileName, std::wstring_view caption) const {
  return cWPersistencyAdapter::ConfirmAnsiSave(owner, fileName, WText(), caption);
}
