#include "text/UnicodePersistency.h"

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
      text = cTextCodec::FromUtf8(payload);
      break;
    case esUTF16LE:
    case esUTF16BE:
      text = cTextCodec::FromUtf16(payload, scheme == esUTF16BE);
      break;
    case esANSI:
      CheckCount<cFileReadError>(payload.size(), IDS_STREAM_READ_ERROR);
      text = cTextCodec::FromCodePage(CP_ACP, payload);
      break;
  }
  return scheme;
}

std::string cWPersistencyAdapter::Encode(std::wstring_view text, tEncodingScheme scheme) {
  std::string bytes(SignatureOf(scheme));
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
      bytes += cTextCodec::ToCodePage(CP_ACP, text);
      break;
  }
  return bytes;
}

bool cWPersistencyAdapter::IsAnsiLossy(std::wstring_view text) {
  CheckCount<cFileWriteError>(text.size(), IDS_STREAM_WRITE_ERROR);
  return !cTextCodec::ToCodePageExact(CP_ACP, text);
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
