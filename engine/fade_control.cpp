// "start fading" / "stop fading": the one entry to both fade runs.
#include "app/plugin_calls.h"
#include "dialogs/dialogs.h"
#include "engine/controls.h"
#include "engine/run_failure.h"
#include "runtime/runtime.h"
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
    // A run that could write nothing is not started.
    if (tflag != 1 && cnt == 0) {
      MsgBox("the source folder holds no .jpg pictures");
      return;
    }
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
  if (sourcevideo) {
    // A failure ends the video run with its message; a new click starts
    // the run again from "000001.jpg".
    const auto failure = FailureOf([&] {
      videofade(stillframes, fadeframes, sourcerate);
      RuntimeCompleteHandlerWork();
    });
    if (failure) MsgBox(*failure);
  }
}
