// The video fade run: the whole source video sampled, cropped and
// cross-faded within one click.
#include "app/plugin_calls.h"
#include "dialogs/dialogs.h"
#include "engine/controls.h"
#include "engine/run_failure.h"
#include "engine/sequence.h"
#include "runtime/runtime.h"
#include "runtime/values.h"

namespace {
Ref<Picture> CroppedSample(Window1& window, EditableMovie& movie) {
  Ref<Picture> picture = plugin::EditableMoviePicture(movie);
  if (!picture) {
    // The video is named as its button shows it: the name of the file chosen.
    const std::string video = plugin::BevelButtonCaptionGet(*BevelButtonNamed(window, "BevelButton4"));
    throw RunFailure("cannot read " + video + " at " + Str(plugin::EditableMoviePosition(movie)) + " seconds");
  }
  return CropByFields(window, picture);
}
}  // namespace

void Window1::videofade(std::int32_t stillframes, std::int32_t fadeframes, std::int32_t sourcerate) {
  const double rate = RuntimeCvtSInt32ToReal64(sourcerate);
  const std::int32_t n = RuntimeCvtReal64ToSInt32(plugin::EditableMovieDuration(*sourcevideo) * rate);
  ProgressBarNamed(*this, "ProgressBar1")->SetMaximum(WrapAdd(WrapMul(n, stillframes), WrapMul(n, fadeframes)));
  std::int32_t vcnter = 1;
  plugin::EditableMovieSetPosition(*sourcevideo, 0.0);

  {
    // Held only while it is saved: a run keeps no more than its two pictures.
    Ref<Picture> first = CroppedSample(*this, *sourcevideo);
    FrameFile(destfolder, bildname(vcnter))->SaveAsJPEG(first);
  }
  vcnter = 2;

  const std::int32_t frames = WrapAdd(fadeframes, 1);
  for (std::int32_t i = 1;; i = WrapAdd(i, 1)) {
    // The product is formed anew before every pass and compared unconverted.
    const double product = plugin::EditableMovieDuration(*sourcevideo) * rate;
    if (!(RuntimeCvtSInt32ToReal64(i) <= product)) break;
    Ref<Picture> from = CroppedSample(*this, *sourcevideo);
    CanvasNamed(*this, "Canvas1")->SetBackdrop(from);
    plugin::EditableMovieSetPosition(*sourcevideo, plugin::EditableMoviePosition(*sourcevideo) + 1.0 / rate);
    Ref<Picture> to = CroppedSample(*this, *sourcevideo);
    sequence = NewEffectSequence(*this, theEffect, from, to, frames);
    for (std::int32_t j = 1; j <= frames; ++j) {
      plugin::QTEffectSequenceSetFrame(*sequence, j);
      const std::string name = bildname(vcnter);
      Ref<ProgressBar> progress = ProgressBarNamed(*this, "ProgressBar1");
      TextFieldNamed(*this, "TextField1")->SetText("saving " + name + " of " + Str(progress->Maximum()));
      FrameFile(destfolder, name)->SaveAsJPEG(plugin::QTEffectSequenceImage(*sequence));
      vcnter = WrapAdd(vcnter, 1);
      RuntimeBackgroundTask();
      if (j == frames) break;  // j + 1 would leave the Int32 range at the top
    }
    for (std::int32_t k = 1; stillframes > 1 && k <= stillframes - 1; ++k) {
      FrameFile(destfolder, bildname(vcnter))->SaveAsJPEG(to);
      vcnter = WrapAdd(vcnter, 1);
      RuntimeBackgroundTask();
    }
    ProgressBarNamed(*this, "ProgressBar1")->SetValue(vcnter);
    Refresh(true);
    RuntimeBackgroundTask();
  }
  MsgBox("all done ");
}
