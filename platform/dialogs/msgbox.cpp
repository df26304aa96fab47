#include <QMessageBox>

#include "dialogs/dialogs.h"
#include "files/write_pool.h"
#include "runtime/event_loops.h"
#include "runtime/runtime.h"

void MsgBox(const std::string& text) {
  // What a message reports on ("all done ") is on disk before it shows, and
  // a frame that failed to be written is raised instead of the message.
  write_pool::WaitForAll();
  if (dialog_seam::Enabled()) {
    dialog_seam::Record({.kind = "MsgBox", .text = text, .fields = {}});
    RuntimeCheckUnwind();
    return;
  }
  QMessageBox box;
  box.setText(QString::fromStdString(text));
  box.setStandardButtons(QMessageBox::Ok);
  QEventLoop loop;
  QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
  box.open();
  RuntimeRunLoop(loop);
  RuntimeCheckUnwind();
}
