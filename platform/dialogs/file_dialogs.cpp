#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QStandardPaths>

#include "dialogs/dialogs.h"
#include "files/folder_item.h"
#include "files/write_pool.h"
#include "runtime/class_entries.h"
#include "runtime/event_loops.h"
#include "runtime/runtime.h"
#include "testing.h"
#include "ui/window_qt.h"

namespace {

// What a file dialog is asked to do.
struct DialogRequest {
  const char* kind;
  QFileDialog::FileMode mode;
  QFileDialog::AcceptMode accept;
  std::string title, prompt, caption, suggestedName;
  Ref<FolderItem> initialDirectory;
};

// The folder a dialog starts in: the one asked for when it exists, else the
// user's Documents folder, else the home folder.
QString StartingFolder(const Ref<FolderItem>& asked) {
  if (asked && asked->Directory()) return QString::fromStdString(asked->Path());
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QDir(documents).exists()) return documents;
  return QDir::homePath();
}

Ref<FolderItem> AnswerFromSeam(const DialogRequest& r) {
  DialogRecord record{.kind = r.kind, .text = {}, .fields = {}};
  if (!r.title.empty()) record.fields["Title"] = r.title;
  if (!r.prompt.empty()) record.fields["PromptText"] = r.prompt;
  if (!r.caption.empty()) record.fields["ActionButtonCaption"] = r.caption;
  if (!r.suggestedName.empty()) record.fields["SuggestedFileName"] = r.suggestedName;
  if (r.initialDirectory) record.fields["InitialDirectory"] = r.initialDirectory->AbsolutePath();
  dialog_seam::Record(record);
  RuntimeCheckUnwind();
  std::optional<std::string> answer = dialog_seam::NextAnswer();
  return answer ? GetFolderItem(*answer) : nullptr;
}

Ref<FolderItem> RunDialog(const DialogRequest& r) {
  // The dialog lists folders: frames still being written show complete.
  write_pool::WaitForAll();
  if (dialog_seam::Enabled()) return AnswerFromSeam(r);
  // Qt's own dialog (not the desktop's), so the prompt text can be shown.
  QFileDialog dialog(MainWindowFrame());  // kept above the main window
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setFileMode(r.mode);
  dialog.setAcceptMode(r.accept);
  if (r.mode == QFileDialog::Directory) dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setDirectory(StartingFolder(r.initialDirectory));
  if (!r.title.empty()) dialog.setWindowTitle(QString::fromStdString(r.title));
  if (!r.caption.empty()) dialog.setLabelText(QFileDialog::Accept, QString::fromStdString(r.caption));
  if (!r.suggestedName.empty()) dialog.selectFile(QString::fromStdString(r.suggestedName));
  if (!r.prompt.empty()) {
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
      auto* label = new QLabel(QString::fromStdString(r.prompt), &dialog);  // owned by the dialog
      grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
  }
  QEventLoop loop;
  QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
  dialog.open();
  RuntimeRunLoop(loop);
  RuntimeCheckUnwind();
  if (dialog.result() != QDialog::Accepted) return nullptr;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return nullptr;
  return GetFolderItem(chosen.front().toStdString());
}

}  // namespace

Ref<FolderItem> SelectFolder() {
  return RunDialog({.kind = "SelectFolder", .mode = QFileDialog::Directory, .accept = QFileDialog::AcceptOpen});
}

Ref<FolderItem> GetOpenFolderItem(const std::string& filter) {
  DialogRequest r{.kind = "GetOpenFolderItem", .mode = QFileDialog::ExistingFile, .accept = QFileDialog::AcceptOpen};
  (void)filter;  // file types are offered by name; an empty filter (the only one used) offers every file
  return RunDialog(r);
}

FolderItemDialog::FolderItemDialog() = default;
FolderItemDialog::~FolderItemDialog() = default;

void FolderItemDialog::SetInitialDirectory(const Ref<FolderItem>& folder) { initialDirectory_ = folder; }

Ref<FolderItem> FolderItemDialog::InitialDirectory() const { return initialDirectory_; }

Ref<FolderItem> FolderItemDialog::ShowModal() {
  const bool save = std::string(Kind()) == "SaveAsDialog";
  return RunDialog({.kind = Kind(),
                    .mode = save ? QFileDialog::AnyFile : QFileDialog::Directory,
                    .accept = save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen,
                    .title = title_,
                    .prompt = promptText_,
                    .caption = actionButtonCaption_,
                    .suggestedName = suggestedFileName_,
                    .initialDirectory = InitialDirectory()});
}

const ClassTable* FolderItemDialog::StaticClass() {
  using D = FolderItemDialog;
  static const ClassTable* table = RuntimeNewClass({
      .name = "FolderItemDialog",
      .methods = {{.name = "ShowModal",
                   .signature = "%o<FolderItem>",
                   .function = BindMethod<D>([](D& dialog, std::span<const Variant>) -> Variant {
                     return Ref<Object>(dialog.ShowModal());
                   })}},
      .properties =
          {
              Property("ActionButtonCaption", "s", &D::ActionButtonCaption, &D::SetActionButtonCaption),
              Property("Title", "s", &D::Title, &D::SetTitle),
              Property("PromptText", "s", &D::PromptText, &D::SetPromptText),
              Property("SuggestedFileName", "s", &D::SuggestedFileName, &D::SetSuggestedFileName),
              Property("InitialDirectory", "o<FolderItem>", &D::InitialDirectory, &D::SetInitialDirectory),
          },
  });
  return table;
}

const ClassTable* SelectFolderDialog::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "SelectFolderDialog",
      .parent = FolderItemDialog::StaticClass(),
      .factory = [] { return static_cast<Object*>(new SelectFolderDialog()); },
  });
  return table;
}

const ClassTable* SaveAsDialog::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "SaveAsDialog",
      .parent = FolderItemDialog::StaticClass(),
      .factory = [] { return static_cast<Object*>(new SaveAsDialog()); },
  });
  return table;
}
