#pragma once
// Modal dialogs and message boxes, and the seam through which tests answer
// them: while the seam is on, nothing is shown; every dialog is logged with
// its texts and answered from a script.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Shows a modal message box; returns when the user has closed it.
void MsgBox(const std::string& text);

struct DialogRecord {
  std::string kind;  // "MsgBox", "SelectFolder", "GetOpenFolderItem", "SelectFolderDialog", "SaveAsDialog"
  std::string text;  // the message of a MsgBox
  std::map<std::string, std::string> fields;  // Title, PromptText, ActionButtonCaption, InitialDirectory, ...
};

namespace dialog_seam {
// Turns the seam on or off; turning it on clears the script and the log.
void Enable(bool on);
bool Enabled() noexcept;
// Queues the answer to the next file or folder dialog: a path, or nullopt
// for cancel. A dialog with no queued answer is cancelled.
void Answer(std::optional<std::string> path);
// Takes the answer for a dialog being shown (used by the dialogs themselves).
std::optional<std::string> NextAnswer();
// Called while a dialog or message box is "open", after it is logged, so a
// test can act while the handler waits in it.
void OnShow(std::function<void(const DialogRecord&)> hook);
void Record(const DialogRecord& record);
std::vector<DialogRecord> TakeLog();
// The texts of the message boxes shown since the last TakeLog, in order.
std::vector<std::string> Messages();
}  // namespace dialog_seam
