#include "tests/support/TestSupport.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "gui/Module.h"

namespace {

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), what);
}

// A pipe whose one end goes to the child: that end is inheritable, the end kept here is not.
struct tPipe {
  gui::cKernelHandle Read;
  gui::cKernelHandle Write;
};

tPipe CreateChildPipe(bool childReads) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  tPipe pipe;
  if (!::CreatePipe(pipe.Read.put(), pipe.Write.put(), &inherit, 0)) ThrowLastError("CreatePipe");
  HANDLE kept = childReads ? pipe.Write.get() : pipe.Read.get();
  ::SetHandleInformation(kept, HANDLE_FLAG_INHERIT, 0);
  return pipe;
}

std::string ReadToEnd(HANDLE handle) {
  std::string result;
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(handle, buffer, sizeof buffer, &read, nullptr) && read > 0) result.append(buffer, read);
  return result;
}

}  // namespace

std::wstring TestExeDir() {
  std::wstring file = gui::ProgramFileName();
  return file.substr(0, file.find_last_of(L"\\/"));
}

std::wstring TestChildPath() { return TestExeDir() + L"\\testchild.exe"; }

std::wstring QuoteArgument(std::wstring_view argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
    return std::wstring(argument);
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes double only in front of a quote, which gets one of its own.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

std::wstring TestChildCommandLine(std::initializer_list<std::wstring_view> verbs) {
  std::wstring commandLine = QuoteArgument(TestChildPath());
  for (std::wstring_view verb : verbs) commandLine += L' ' + QuoteArgument(verb);
  return commandLine;
}

std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

cTempDir::cTempDir() {
  static std::atomic<unsigned> counter{0};
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("marvesk-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(path_)) return;
  }
}

cTempDir::~cTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

cUnreadPipe::cUnreadPipe() {
  static std::atomic<unsigned> counter{0};
  path_ = L"\\\\.\\pipe\\marvesk-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
  reader_.reset(::CreateNamedPipeW(path_.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1, 0, 65536, 0, nullptr));
}

std::filesystem::path cTempDir::WriteFile(std::wstring_view name, std::string_view bytes) const {
  std::filesystem::path file = path_ / name;
  gui::cKernelHandle handle(
      ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) ThrowLastError("CreateFileW");
  DWORD written = 0;
  if (!::WriteFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    ThrowLastError("WriteFile");
  return file;
}

cTestChild::cTestChild(std::initializer_list<std::wstring_view> verbs, DWORD creationFlags) {
  tPipe input = CreateChildPipe(true);
  tPipe output = CreateChildPipe(false);
  tPipe error = CreateChildPipe(false);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.Read.get();
  startup.hStdOutput = output.Write.get();
  startup.hStdError = error.Write.get();
  PROCESS_INFORMATION info{};
  std::wstring commandLine = TestChildCommandLine(verbs);
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, creationFlags, nullptr, nullptr,
                        &startup, &info))
    ThrowLastError("CreateProcessW");
  ::CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  processId_ = info.dwProcessId;
  // The child's ends close here, so that the end of output (or input) is seen when the child ends.
  input_ = std::move(input.Write);
  output_ = std::move(output.Read);
  error_ = std::move(error.Read);
}

cTestChild::~cTestChild() { Terminate(); }

bool cTestChild::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!::WriteFile(input_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

std::string cTestChild::Read(std::size_t count) {
  std::string result(count, '\0');
  std::size_t done = 0;
  while (done < count) {
    DWORD read = 0;
    if (!::ReadFile(output_.get(), result.data() + done, static_cast<DWORD>(count - done), &read, nullptr) ||
        read == 0)
      break;
    done += read;
  }
  result.resize(done);
  return result;
}

std::string cTestChild::ReadOutputToEnd() { return ReadToEnd(output_.get()); }

std::string cTestChild::ReadErrorToEnd() { return ReadToEnd(error_.get()); }

DWORD cTestChild::Wait(DWORD milliseconds) const {
  if (::WaitForSingleObject(process_.get(), milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

void cTestChild::Terminate() const noexcept {
  if (::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

tChildRun RunTestChild(std::initializer_list<std::wstring_view> verbs, std::string_view input,
                       DWORD timeoutMilliseconds) {
  cTestChild child(verbs);
  tChildRun run;
  std::thread writer([&] {
    child.Write(input);
    child.CloseInput();
  });
  std::thread errorReader([&] { run.Error = child.ReadErrorToEnd(); });
  std::thread outputReader([&] { run.Output = child.ReadOutputToEnd(); });
  run.ExitCode = child.Wait(timeoutMilliseconds);
  if (run.ExitCode == STILL_ACTIVE) {
    run.TimedOut = true;
    child.Terminate();
  }
  writer.join();
  errorReader.join();
  outputReader.join();
  return run;
}
