#pragma once
// When a command that the child runs has ended, and how long it took. A command starts when the
// user sends one, or with the first output after the last one ended, whichever comes first. It
// ends when a command interpreter's prompt comes back at the end of the output and stays there,
// or when the child ends. A command that took long and ends while the user works in another
// window asks for the user's attention.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// What the clock needs of the window it reports to; the tests give it one of their own.
class iCommandWindow {
public:
  // Milliseconds since any fixed moment.
  virtual ULONGLONG Now() const = 0;
  // Whether the user works in the window now (in it or in a box it owns).
  virtual bool InForeground() const = 0;
  // Asks for the user's attention until the window is activated.
  virtual void Flash() = 0;
  // How long the last command took; none while a command runs.
  virtual void ShowCommandTime(std::optional<ULONGLONG> ms) = 0;
  // Has the clock's Wake called once ms have passed; a later call replaces one that waits.
  virtual void WakeAfter(UINT ms) = 0;

protected:
  ~iCommandWindow() = default;
};

class cCommandClock {
public:
  // A command that took this long asks for attention when it ends.
  static constexpr ULONGLONG kLongCommandMs = 10000;
  // A prompt at the end counts once no output has followed it for this long: CMD writes the
  // prompt and the batch-file line it echoes after it in two writes, which may come as two chunks.
  static constexpr UINT kPromptSettleMs = 300;

  explicit cCommandClock(iCommandWindow& window) noexcept : window_(window) {}

  // Whether a long command that ends asks for attention (View > Flash When a Command Ends).
  bool FlashOn = true;

  // A command went to the child. Sent at a prompt, it ends the command that the prompt ended.
  void Sent();
  // The child's output as it came, escape sequences taken out.
  void Output(std::wstring_view text);
  // The wait that WakeAfter asked for is over.
  void Wake();
  // The child has ended, and so has its command.
  void ChildEnded();

private:
  void Start();
  void End(ULONGLONG at);
  bool LineIsPrompt() const;

  iCommandWindow& window_;
  bool running_ = false;
  ULONGLONG start_ = 0;
  // The output's last line so far, without CRs, while it is short enough to be a prompt.
  std::wstring line_;
  bool lineTooLong_ = false;
  // When the prompt that stands at the end of the output came.
  std::optional<ULONGLONG> promptAt_;
};

// A command's time as the status bar shows it: minutes, seconds and tenths ("1:02.3"), with
// hours in front from one hour on ("1:00:00.0"). Tenths are cut, not rounded, so that a command
// shown as 0:10.0 or more is one that took long.
std::wstring CommandTimeText(ULONGLONG ms);
