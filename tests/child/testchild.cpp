// testchild: the console program that tests start as Marvesk's child (or through bare pipes).
//
//   testchild VERB [VERB...]
//
// The verbs run one after the other, left to right; after the last one the program ends with
// exit code 0. All output goes out with WriteFile on the standard handles, nothing is buffered.
//
//   echo          copy standard input to standard output line by line (each line as received,
//                 with its line break) until the end of input or a line "exit", which is not
//                 copied
//   copy          copy standard input to standard output as it comes, in the pieces it is read
//                 in, until the end of input (no line splitting: right for UTF-16 input)
//   take:N        read exactly N bytes of standard input (fewer if it ends first), then write
//                 "took COUNT" and a line break
//   out:HEX       write the bytes given as hexadecimal pairs (e.g. out:48690D0A) to standard
//                 output in one WriteFile; "out:" alone makes one write of zero bytes
//   err:HEX       the same on standard error
//   flood:N       write exactly N bytes of numbered 80-column lines ("00000001 abc...\r\n", see
//                 tests/support/Flood.h) in writes of 64 KiB
//   colourflood:N the same with each line's number in colour (escape sequences; see Flood.h)
//   progress:N    write exactly N bytes of a progress display, records "\r00%" to "\r99%" over and
//                 over (see Flood.h), in writes of 64 KiB, then CR LF as the display ends
//   line:N        write exactly N bytes of one line with no line break, the digits 0 to 9 over
//                 and over ("0123456789012..."), in writes of 64 KiB
//   prompt:TEXT   write TEXT (its ANSI bytes) with no line break, then wait for one line on
//                 standard input and write that line back; the end of input also ends the wait
//   ctrl          from now on, report every console control event on standard output as a line
//                 of its own ("CTRL_C_EVENT", "CTRL_BREAK_EVENT", "CTRL_CLOSE_EVENT",
//                 "CTRL_LOGOFF_EVENT", "CTRL_SHUTDOWN_EVENT") and keep running: Ctrl+C and
//                 Ctrl+Break are swallowed, and a close, logoff or shutdown event is held until
//                 the system ends the process
//   closein       close standard input and leave the console, so that writes to the input
//                 pipe fail (under Wine the console's host holds the pipe's read end as long as
//                 the console lives, and ends some 800 ms after its last process has left)
//   sleep:MS      sleep MS milliseconds without touching standard input; "sleep" alone sleeps
//                 forever
//   exit:CODE     end at once with the decimal exit code CODE
//   args:FILE     as the first verb only: write the arguments that follow it, each followed by a
//                 line break, into FILE (replaced as a whole, so that it shows complete or not
//                 at all) and end; the arguments are not verbs
//   spawn:HOW     start another testchild that sleeps forever and write "spawned PID" and a line
//                 break; HOW is "same" (in this console), "own" (in a new console of its own) or
//                 "none" (detached from every console). It inherits no handle.
//   pipe:NAME     create the named pipe \\.\pipe\NAME (one instance, 64 KiB of buffer) for a
//                 writer to open as a file, and never read it: the pipe stays until the program
//                 ends, and a writer fills its buffer and then waits for good
//
// A verb that cannot be understood is reported on standard error, and the program ends with
// exit code 2 before running any verb.
#include <windows.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/Flood.h"

namespace {

constexpr int BadArguments = 2;

void WriteAll(HANDLE handle, std::string_view bytes) {
  // One WriteFile even for no bytes: a zero-length write is a thing a reader may have to meet.
  do {
    DWORD written = 0;
    if (!::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return;
    bytes.remove_prefix(written);
  } while (!bytes.empty());
}

void WriteOut(std::string_view bytes) { WriteAll(::GetStdHandle(STD_OUTPUT_HANDLE), bytes); }

// Standard input as lines; what a read brings beyond the current line waits for the next one.
class cLineReader {
public:
  // The next line with its line break, or what is left before the end of input; nullopt when
  // the input has ended and nothing is left.
  std::optional<std::string> ReadLine() {
    for (;;) {
      std::size_t end = pending_.find('\n');
      if (end != std::string::npos) {
        std::string line = pending_.substr(0, end + 1);
        pending_.erase(0, end + 1);
        return line;
      }
      char buffer[4096];
      DWORD read = 0;
      if (ended_ || !::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) ||
          read == 0) {
        ended_ = true;
        if (pending_.empty()) return std::nullopt;
        return std::exchange(pending_, {});
      }
      pending_.append(buffer, read);
    }
  }

private:
  std::string pending_;
  bool ended_ = false;
};

std::string_view WithoutLineBreak(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

void Echo(cLineReader& input) {
  while (auto line = input.ReadLine()) {
    if (WithoutLineBreak(*line) == "exit") return;
    WriteOut(*line);
  }
}

void Copy() {
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0)
    WriteOut(std::string_view(buffer, read));
}

void Take(std::uint64_t count) {
  char buffer[65536];
  std::uint64_t taken = 0;
  DWORD read = 0;
  while (taken < count &&
         ::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer,
                    static_cast<DWORD>(std::min<std::uint64_t>(sizeof buffer, count - taken)), &read, nullptr) &&
         read > 0)
    taken += read;
  WriteOut("took " + std::to_string(taken) + "\r\n");
}

void Prompt(cLineReader& input, std::string_view text) {
  WriteOut(text);
  if (auto line = input.ReadLine()) WriteOut(*line);
}

// Writes size bytes in writes of 64 KiB, each filled by fill(offset, count, out).
template <typename tFill>
void WriteStream(std::uint64_t size, tFill fill) {
  std::vector<char> chunk(64 * 1024);
  for (std::uint64_t done = 0; done < size;) {
    std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - done));
    fill(static_cast<std::size_t>(done), count, chunk.data());
    WriteOut(std::string_view(chunk.data(), count));
    done += count;
  }
}

void Flood(std::uint64_t size) { WriteStream(size, FloodBytes); }

void Progress(std::uint64_t size) {
  WriteStream(size, ProgressBytes);
  WriteOut("\r\n");
}

void LongLine(std::uint64_t size) {
  WriteStream(size, [](std::size_t offset, std::size_t count, char* out) {
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<char>('0' + (offset + i) % 10);
  });
}

void Spawn(std::string_view how) {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(path, length) + L"\" sleep";
  const DWORD flags = how == "own" ? CREATE_NEW_CONSOLE : how == "none" ? DETACHED_PROCESS : 0;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi)) {
    WriteOut("spawn failed\r\n");
    return;
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  WriteOut("spawned " + std::to_string(pi.dwProcessId) + "\r\n");
}

void HoldUnreadPipe(const std::string& name) {
  const std::string path = "\\\\.\\pipe\\" + name;
  // The handle is never closed: the pipe lives as long as the program does.
  if (::CreateNamedPipeA(path.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1, 0, 64 * 1024, 0, nullptr) ==
      INVALID_HANDLE_VALUE)
    WriteAll(::GetStdHandle(STD_ERROR_HANDLE), "testchild: cannot create " + path + "\r\n");
}

BOOL WINAPI ReportControlEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT: WriteOut("CTRL_C_EVENT\r\n"); return TRUE;
    case CTRL_BREAK_EVENT: WriteOut("CTRL_BREAK_EVENT\r\n"); return TRUE;
    case CTRL_CLOSE_EVENT: WriteOut("CTRL_CLOSE_EVENT\r\n"); break;
    case CTRL_LOGOFF_EVENT: WriteOut("CTRL_LOGOFF_EVENT\r\n"); break;
    case CTRL_SHUTDOWN_EVENT: WriteOut("CTRL_SHUTDOWN_EVENT\r\n"); break;
    default: return FALSE;
  }
  // Returning would let the process end; holding the handler keeps it alive as long as the
  // system allows.
  ::Sleep(INFINITE);
  return TRUE;
}

void ReportControlEvents() {
  // A child started in a new process group has Ctrl+C switched off; switch it back on.
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  ::SetConsoleCtrlHandler(ReportControlEvent, TRUE);
}

std::optional<std::string> ParseHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (error != std::errc() || end != hex.data() + i + 2) return std::nullopt;
    bytes += static_cast<char>(value);
  }
  return bytes;
}

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
  std::uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

enum class tVerb {
  Echo, Copy, Take, Out, Err, Flood, ColourFlood, Progress, Line, Prompt, Ctrl, CloseIn, Sleep, SleepForever, Exit,
  Spawn, Pipe
};

struct tStep {
  tVerb Verb;
  std::string Bytes;       // Out, Err, Prompt; Spawn: how; Pipe: the name
  std::uint64_t Number{};  // Flood, ColourFlood, Progress, Line, Sleep, Exit
};

std::optional<tStep> ParseStep(std::string_view argument) {
  std::size_t colon = argument.find(':');
  std::string_view name = argument.substr(0, colon);
  bool hasValue = colon != std::string_view::npos;
  std::string_view value = hasValue ? argument.substr(colon + 1) : std::string_view();

  if (name == "echo" && !hasValue) return tStep{tVerb::Echo, {}, 0};
  if (name == "copy" && !hasValue) return tStep{tVerb::Copy, {}, 0};
  if (name == "ctrl" && !hasValue) return tStep{tVerb::Ctrl, {}, 0};
  if (name == "closein" && !hasValue) return tStep{tVerb::CloseIn, {}, 0};
  if (name == "sleep" && !hasValue) return tStep{tVerb::SleepForever, {}, 0};
  if (name == "prompt" && hasValue) return tStep{tVerb::Prompt, std::string(value), 0};
  if (name == "pipe" && !value.empty()) return tStep{tVerb::Pipe, std::string(value), 0};
  if (name == "spawn" && (value == "same" || value == "own" || value == "none"))
    return tStep{tVerb::Spawn, std::string(value), 0};
  if ((name == "out" || name == "err") && hasValue) {
    if (auto bytes = ParseHex(value)) return tStep{name == "out" ? tVerb::Out : tVerb::Err, *bytes, 0};
    return std::nullopt;
  }
  if (name == "take" && hasValue) {
    if (auto number = ParseNumber(value)) return tStep{tVerb::Take, {}, *number};
    return std::nullopt;
  }
  if ((name == "flood" || name == "colourflood" || name == "progress" || name == "line" || name == "sleep" ||
       name == "exit") &&
      hasValue) {
    bool stream = name == "flood" || name == "colourflood" || name == "progress" || name == "line";
    auto number = ParseNumber(value);
    if (!number || (!stream && *number > 0xFFFFFFFFu)) return std::nullopt;
    tVerb verb = name == "flood"         ? tVerb::Flood
                 : name == "colourflood" ? tVerb::ColourFlood
                 : name == "progress"    ? tVerb::Progress
                 : name == "line"        ? tVerb::Line
                 : name == "sleep" ? tVerb::Sleep
                                   : tVerb::Exit;
    return tStep{verb, {}, *number};
  }
  return std::nullopt;
}

// Records how the program was started, as an editor that a test makes it would.
int RecordArguments(const std::string& file, int count, char** arguments) {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::string(arguments[i]) + "\n";
  const std::string partial = file + ".partial";
  HANDLE handle = ::CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return BadArguments;
  WriteAll(handle, text);
  ::CloseHandle(handle);
  return ::MoveFileExA(partial.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : BadArguments;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]).starts_with("args:"))
    return RecordArguments(argv[1] + 5, argc - 2, argv + 2);
  std::vector<tStep> steps;
  for (int i = 1; i < argc; ++i) {
    auto step = ParseStep(argv[i]);
    if (!step) {
      WriteAll(::GetStdHandle(STD_ERROR_HANDLE), std::string("testchild: cannot understand ") + argv[i] + "\r\n");
      return BadArguments;
    }
    steps.push_back(std::move(*step));
  }

  cLineReader input;
  for (const tStep& step : steps) {
    switch (step.Verb) {
      case tVerb::Echo: Echo(input); break;
      case tVerb::Copy: Copy(); break;
      case tVerb::Take: Take(step.Number); break;
      case tVerb::Out: WriteOut(step.Bytes); break;
      case tVerb::Err: WriteAll(::GetStdHandle(STD_ERROR_HANDLE), step.Bytes); break;
      case tVerb::Flood: Flood(step.Number); break;
      case tVerb::ColourFlood: WriteStream(step.Number, ColourFloodBytes); break;
      case tVerb::Progress: Progress(step.Number); break;
      case tVerb::Line: LongLine(step.Number); break;
      case tVerb::Prompt: Prompt(input, step.Bytes); break;
      case tVerb::Ctrl: ReportControlEvents(); break;
      case tVerb::CloseIn:
        ::CloseHandle(::GetStdHandle(STD_INPUT_HANDLE));
        ::FreeConsole();
        break;
      case tVerb::Sleep: ::Sleep(static_cast<DWORD>(step.Number)); break;
      case tVerb::SleepForever: ::Sleep(INFINITE); break;
      case tVerb::Exit: ::ExitProcess(static_cast<UINT>(step.Number));
      case tVerb::Spawn: Spawn(step.Bytes); break;
      case tVerb::Pipe: HoldUnreadPipe(step.Bytes); break;
    }
  }
  return 0;
}
