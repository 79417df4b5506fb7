// The output pane's place and status: View > Follow Output, which lets output take the caret and
// the view to its end as it comes or holds them where the user reads, and what the status bar
// shows of the pane, and the times beside its lines.
#include <optional>
#include <utility>

#include "session/Main.h"

bool cFormMain::ViewArrivalTimes(bool doIt, bool& checked) {
  if (FlipSwitch(doIt, showTimes_, checked) && outputEditor_) outputEditor_->ShowTimes(showTimes_);
  return true;
}

bool cFormMain::ViewFollowOutput(bool doIt, bool& checked) {
  if (!outputEditor_) return false;
  if (doIt) {
    outputEditor_->HoldOutput(!outputEditor_->OutputHeld());
    UpdateOutputStatus();
  }
  checked = !outputEditor_->OutputHeld();
  return true;
}

void cFormMain::UpdateOutputStatus() {
  if (!outputEditor_ || !outputEditor_->Handle() || closing_) return;
  if (std::exchange(outputStatusTimer_, false)) ::KillTimer(Handle(), kOutputStatusTimer);
  lastOutputStatus_ = ::GetTickCount64();
  cConsoleEdit& pane = *outputEditor_;
  ShowOutputStatus(pane.WCaretPos(), pane.WLines().GetCount(), pane.Focused(),
                   pane.OutputHeld() ? std::optional<int>(pane.HeldLines()) : std::nullopt);
}
