#include "text/UnicodePersistency.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "gui/DialogSeam.h"
#include "gui/Handle.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "text/TextCodec.h"
#include "text/Utils.h"

namespace {

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

// The platform's code-page conversions count in int; a text beyond that is larger than any pane
// holds.
template <class Error>
void CheckCount(std::size_t count, unsigned messageId) {
  if (count > INT_MAX) throw Error(gui::LoadResString(messageId));
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

// The path as the file functions take it: a path of MAX_PATH - 12 characters or more (the most a
// folder may have without it) gets the "\\?\" prefix, which lifts the limit.
std::wstring LongPathSafe(const std::wstring& fullPath) {
  if (fullPath.size() < MAX_PATH - 12 || fullPath.starts_with(L"\\\\?\\") || fullPath.starts_with(L"\\\\.\\"))
    return fullPath;
  if (fullPath.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + fullPath.substr(2);
  return L"\\\\?\\" + fullPath;
}

std::string ReadWholeFile(std::wstring_view fileName) {
  const std::wstring path = FullPath(fileName);
  constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  gui::cKernelHandle file(::CreateFileW(LongPathSafe(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
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

// A new, empty file of its own name in the folder (which ends with a backslash), open for
// writing; GetTempFileNameW is not used, as it refuses folders longer than MAX_PATH - 14.
gui::cKernelHandle NewFileIn(const std::wstring& folder, const std::wstring& target, std::wstring& path) {
  ULONGLONG seed = ::GetTickCount64() * 0x9E3779B97F4A7C15ull ^ ::GetCurrentProcessId();
  DWORD code = ERROR_FILE_EXISTS;
  for (unsigned attempt = 0; attempt < 1000 && (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS);
       ++attempt) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    std::wstring name = L"~mvk";
    for (int shift = 60; shift >= 32; shift -= 4) name += L"0123456789abcdef"[(seed >> shift) & 15];
    path = LongPathSafe(folder + name + L".tmp");
    gui::cKernelHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    code = ::GetLastError();
  }
  path.clear();
  ::SetLastError(code);
  throw FileError<cFileWriteError>(IDS_CANNOT_CREATE_FILE, target);
}

// A file in the target's folder that takes the new contents and then the target's place; it is
// removed again unless it got there. Every failure names the target and the system's reason.
class cReplacementFile {
public:
  explicit cReplacementFile(const std::wstring& target) : target_(target), safeTarget_(LongPathSafe(target)) {
    const std::size_t slash = target_.find_last_of(L"\\/");
    folder_ = slash == std::wstring::npos ? std::wstring(L".\\") : target_.substr(0, slash + 1);
    file_ = NewFileIn(folder_, target_, path_);
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
      if (!::WriteFile(file_.get(), bytes.data(), piece, &written, nullptr)) SaveFailed(::GetLastError());
      if (written == 0) SaveFailed(ERROR_WRITE_FAULT);
      bytes.remove_prefix(written);
    }
  }

  // Puts the file in the target's place: a new target by MoveFileExW, an existing one by
  // ReplaceFileW (which needs the target to exist).
  void Commit() {
    if (!::FlushFileBuffers(file_.get())) SaveFailed(::GetLastError());
    file_.reset();
    const DWORD attributes = ::GetFileAttributesW(safeTarget_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (!::MoveFileExW(path_.c_str(), safeTarget_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        SaveFailed(::GetLastError());
    } else {
      Replace(attributes);
    }
    path_.clear();
  }

private:
  [[noreturn]] void SaveFailed(DWORD code) const {
    throw cFileWriteError(gui::FormatRes(IDS_CANNOT_SAVE_FILE, {target_, cSystemResources::SystemErrorTextW(code)}));
  }

  // Without a backup, ReplaceFileW may fail after the old file is gone
  // (ERROR_UNABLE_TO_MOVE_REPLACEMENT; Wine 8 has then deleted it). With one, the old file is
  // either still in place or the backup, which then goes back.
  void Replace(DWORD attributes) {
    // The backup's name is reserved by an empty file, which ReplaceFileW overwrites.
    std::wstring backup;
    NewFileIn(folder_, target_, backup).reset();
    // Wine's ReplaceFileW is a rename that keeps none of the target's attributes; Windows' carries
    // them over itself.
    ::SetFileAttributesW(path_.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    if (::ReplaceFileW(safeTarget_.c_str(), path_.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                       nullptr)) {
      ::DeleteFileW(backup.c_str());
      return;
    }
    // A backup that cannot go back stays: it is all that is left of the old file.
    const DWORD code = ::GetLastError();
    if (code != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 ||
        ::MoveFileExW(backup.c_str(), safeTarget_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      ::DeleteFileW(backup.c_str());
    SaveFailed(code);
  }

  std::wstring target_;      // as the user is shown it
  std::wstring safeTarget_;  // as the file functions take it
  std::wstring folder_;
  std::wstring path_;
  gui::cKernelHandle file_;
};

// Fails as creating the target would, before anything is written: an existing target must be
// writable (not read-only, not a folder, not locked by another program). The read-only mark is
// read rather than left to the open and the replace, which Wine lets through for a user with
// the rights to write the host file anyway.
void CheckTargetWritable(const std::wstring& target) {
  const std::wstring safe = LongPathSafe(target);
  const DWORD attributes = ::GetFileAttributesW(safe.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    throw FileError<cFileWriteError>(IDS_CANNOT_CREATE_FILE, target);
  }
  gui::cKernelHandle file(::CreateFileW(safe.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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

tEncodingScheme cWPersistencyAdapter::DetectEncoding(std::string_view bytes) noexcept {
  const tEncodingScheme marked = SchemeFromSignature(bytes);
  if (marked != esANSI) return marked;
  const bool multiByte = std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
  return multiByte && cTextCodec::IsUtf8(bytes) ? esUTF8 : esANSI;
}

tEncodingScheme cWPersistencyAdapter::Decode(std::string_view bytes, std::wstring& text, UINT ansiCodePage) {
  const tEncodingScheme scheme = DetectEncoding(bytes);
  const std::string_view payload = bytes.substr(SignatureLength(SchemeFromSignature(bytes)));
  switch (scheme) {
    case esUTF8:
      text = cTextCodec::FromUtf8(payload);
      break;
    case esUTF16LE:
    case esUTF16BE:
      text = cTextCodec::FromUtf16(payload, scheme == esUTF16BE);
      break;
    case esANSI:
      CheckCount<cFileReadError>(payload.size(), IDS_STREAM_READ_ERROR);
      text = cTextCodec::FromCodePage(ansiCodePage, payload);
      break;
  }
  return scheme;
}

std::string cWPersistencyAdapter::Encode(std::wstring_view text, tEncodingScheme scheme, UINT ansiCodePage) {
  std::string bytes(SignatureOf(scheme));
  AppendEncoded(text, scheme, ansiCodePage, bytes);
  return bytes;
}

void cWPersistencyAdapter::AppendEncoded(std::wstring_view text, tEncodingScheme scheme, UINT ansiCodePage,
                                         std::string& bytes) {
  switch (scheme) {
    case esUTF8:
      cTextCodec::AppendUtf8(text, bytes);
      break;
    case esUTF16LE:
    case esUTF16BE:
      cTextCodec::AppendUtf16(text, scheme == esUTF16BE, bytes);
      break;
    case esANSI:
      CheckCount<cFileWriteError>(text.size(), IDS_STREAM_WRITE_ERROR);
      bytes += cTextCodec::ToCodePage(ansiCodePage, text);
      break;
  }
}

bool cWPersistencyAdapter::IsAnsiLossy(std::wstring_view text, UINT ansiCodePage) {
  CheckCount<cFileWriteError>(text.size(), IDS_STREAM_WRITE_ERROR);
  return !cTextCodec::ToCodePageExact(ansiCodePage, text);
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
                                      std::wstring_view fileName, UINT ansiCodePage) {
  const std::wstring target = FullPath(fileName);
  CheckTargetWritable(target);
  // The text goes to a new file beside the target a stretch at a time, and takes the target's
  // place only once all of it is there: a conversion that fails leaves the old file.
  cReplacementFile file(target);
  std::string bytes(SignatureOf(scheme));
  try {
    source.ForEachStretch([&](std::wstring_view stretch) {
      AppendEncoded(stretch, scheme, ansiCodePage, bytes);
      file.Write(bytes);
      bytes.clear();
    });
  } catch (const cConversionError& e) {
    throw cFileWriteError(gui::FormatRes(IDS_CANNOT_SAVE_FILE, {target, e.Message()}));
  }
  file.Write(bytes);
  file.Commit();
}

void cWPersistentMemo::ForEachStretch(const std::function<void(std::wstring_view)>& write) const {
  constexpr std::size_t kStretch = 0x10000;
  const auto length = static_cast<std::size_t>(std::max<LRESULT>(WPerform(WM_GETTEXTLENGTH, 0, 0), 0));
  std::wstring stretch;
  for (std::size_t start = 0; start < length;) {
    std::size_t end = std::min(start + kStretch, length);
    if (!WTextRange(start, end, stretch)) {
      if (start == 0) {
        write(WText());
        return;
      }
      throw cFileWriteError(gui::LoadResString(IDS_STREAM_WRITE_ERROR));
    }
    // A high surrogate at the end waits for its partner in the next stretch.
    if (end < length && !stretch.empty() && stretch.back() >= 0xD800 && stretch.back() <= 0xDBFF) {
      stretch.pop_back();
      --end;
    }
    write(stretch);
    start = end;
  }
}

tLoadedFile cWPersistentMemo::LoadFromFile(std::wstring_view fileName) {
  const tLoadedFile loaded = cWPersistencyAdapter::LoadFromFile(*this, fileName);
  loadedScheme_ = loaded.Scheme;
  return loaded;
}

void cWPersistentMemo::SaveToFile(std::wstring_view fileName, tEncodingScheme scheme) const {
  cWPersistencyAdapter::SaveToFile(*this, scheme, fileName);
}

bool cWPersistentMemo::ConfirmAnsiSave(HWND owner, std::wstring_view fileName, std::wstring_view caption) const {
  return cWPersistencyAdapter::ConfirmAnsiSave(owner, fileName, WText(), caption);
}
