#include <QMessageBox>

#include "dialogs/dialogs.h"
#include "dialogs/message_box.h"
#include "files/write_pool.h"
#include "runtime/event_loops.h"
#include "runtime/runtime.h"
#include "testing.h"
#include "ui/window_qt.h"

void MsgBox(const std::string& text) {
  // What a message reports on ("all done ") is on disk before it shows, and
  // a frame that failed to be written is raised instead of the message.
  write_pool::WaitForAll();
  ShowMessageBox(text);
}

void ShowMessageBox(const std::string& text) {
  if (dialog_seam::Enabled()) {
    dialog_seam::Record({.kind = "MsgBox", .text = text, .fields = {}});
    RuntimeCheckUnwind();
    return;
  }
  // Parented to the main window, so that the window manager keeps it above.
  QMessageBox box(MainWindowFrame());
  box.setText(QString::fromStdString(text));
  box.setStandardButtons(QMessageBox::Ok);
  QEventLoop loop;
  QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
  box.open();
  RuntimeRunLoop(loop);
  RuntimeCheckUnwind();
}
