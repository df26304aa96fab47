// "start fading" / "stop fading": the one entry to both fade runs.
#include "app/plugin_calls.h"
#include "dialogs/dialogs.h"
#include "engine/controls.h"
#include "runtime/values.h"

void Window1::BevelButton3_Action() {
  const std::int32_t stillframes = FieldInt32(*this, "stilltext");
  const std::int32_t fadeframes = FieldInt32(*this, "fadetext");
  const std::int32_t sourcerate = FieldInt32(*this, "sourcefps");
  if (!destfolder) {
    MsgBox("please select a destination folder");
    return;
  }
  if (!sourcefolder && !sourcevideo) {
    MsgBox("please select a source folder or source video");
    return;
  }
  if (sourcefolder) {
    ProgressBarNamed(*this, "ProgressBar1")->SetMaximum(WrapAdd(WrapMul(cnt, stillframes), WrapMul(cnt, fadeframes)));
    if (tflag != 1) {
      tflag = 1;
      plugin::BevelButtonCaptionSet(*BevelButtonNamed(*this, "BevelButton3"), "stop fading");
    } else {
      tflag = 0;
      MsgBox("stopped");
      plugin::BevelButtonCaptionSet(*BevelButtonNamed(*this, "BevelButton3"), "start fading");
    }
  }
  if (sourcevideo) videofade(stillframes, fadeframes, sourcerate);
}
