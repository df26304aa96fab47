#include "engine/run_state.h"

#include "app/plugin_calls.h"
#include "engine/controls.h"

void StopFolderRun(Window1& window) {
  if (window.tflag != 1) return;
  window.tflag = 0;
  plugin::BevelButtonCaptionSet(*BevelButtonNamed(window, "BevelButton3"), "start fading");
}

void StartNewRun(Window1& window) {
  window.fcnter = 1;
  window.itemIdx = 2;
  window.firstflag = 0;
}
