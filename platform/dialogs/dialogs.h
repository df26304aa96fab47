#pragma once
// Modal dialogs and message boxes, and the seam through which tests answer
// them: while the seam is on, nothing is shown; every dialog is logged with
// its texts and answered from a script.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "runtime/classes.h"

class FolderItem;

// Shows a modal message box; returns when the user has closed it.
void MsgBox(const std::string& text);

// A modal choose-folder dialog: the chosen folder, none on cancel.
Ref<FolderItem> SelectFolder();
// A modal open-file dialog: the chosen file, none on cancel. An empty
// filter offers every file.
Ref<FolderItem> GetOpenFolderItem(const std::string& filter);

// A configurable file dialog. A starting folder that does not exist falls
// back to the user's Documents folder, then to the home folder.
class FolderItemDialog : public Object {
 public:
  ~FolderItemDialog() override;
  static const ClassTable* StaticClass();
  void SetActionButtonCaption(const std::string& text) { actionButtonCaption_ = text; }
  void SetTitle(const std::string& text) { title_ = text; }
  void SetPromptText(const std::string& text) { promptText_ = text; }
  void SetSuggestedFileName(const std::string& text) { suggestedFileName_ = text; }
  void SetInitialDirectory(const Ref<FolderItem>& folder);
  const std::string& ActionButtonCaption() const noexcept { return actionButtonCaption_; }
  const std::string& Title() const noexcept { return title_; }
  const std::string& PromptText() const noexcept { return promptText_; }
  const std::string& SuggestedFileName() const noexcept { return suggestedFileName_; }
  Ref<FolderItem> InitialDirectory() const;
  // Shows the dialog modally: the chosen item, none on cancel.
  Ref<FolderItem> ShowModal();

 protected:
  FolderItemDialog();
  // "SelectFolderDialog" or "SaveAsDialog": the kind logged by the seam.
  virtual const char* Kind() const = 0;

 private:
  std::string actionButtonCaption_, title_, promptText_, suggestedFileName_;
  Ref<FolderItem> initialDirectory_;
};

// Chooses a folder.
class SelectFolderDialog : public FolderItemDialog {
 public:
  static const ClassTable* StaticClass();

 protected:
  const char* Kind() const override { return "SelectFolderDialog"; }
};

// Chooses the name and folder of a file to be written.
class SaveAsDialog : public FolderItemDialog {
 public:
  static const ClassTable* StaticClass();

 protected:
  const char* Kind() const override { return "SaveAsDialog"; }
};

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
