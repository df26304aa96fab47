#pragma once
// Modal dialogs and message boxes (tests answer them through the dialog
// seam of testing.h).
#include <string>

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
