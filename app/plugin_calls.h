#pragma once
// The plug-in operations the system calls, each through its entry point in
// the table filled at start-up.
#include <string>

#include "app/plugin_entrypoints.h"
#include "media/effect.h"
#include "media/movie.h"
#include "files/folder_item.h"
#include "plugin_signatures.h"

namespace plugin {

inline std::string BevelButtonCaptionGet(BevelButton& button) {
  return PluginCall<plugin_sig::BevelStringGet>(PluginEntry("BevelButton.Caption.Get"), button);
}
inline void BevelButtonCaptionSet(BevelButton& button, const std::string& caption) {
  PluginCall<plugin_sig::BevelStringSet>(PluginEntry("BevelButton.Caption.Set"), button, caption);
}
inline void BevelButtonTextUnitSet(BevelButton& button, std::int32_t unit) {
  PluginCall<plugin_sig::BevelInt32Set>(PluginEntry("BevelButton.TextUnit.Set"), button, unit);
}

inline Ref<EditableMovie> FolderItemOpenEditableMovie(FolderItem& item) {
  return PluginCall<plugin_sig::FolderItemMovie>(PluginEntry("FolderItem.OpenEditableMovie() As EditableMovie"),
                                                 item);
}
inline Ref<EditableMovie> FolderItemCreateMovie(FolderItem& item) {
  return PluginCall<plugin_sig::FolderItemMovie>(PluginEntry("FolderItem.CreateMovie() As EditableMovie"), item);
}

inline double EditableMovieDuration(EditableMovie& movie) {
  return PluginCall<plugin_sig::MovieDoubleGet>(PluginEntry("EditableMovie.Duration.Get"), movie);
}
inline double EditableMoviePosition(EditableMovie& movie) {
  return PluginCall<plugin_sig::MovieDoubleGet>(PluginEntry("EditableMovie.Position.Get"), movie);
}
inline void EditableMovieSetPosition(EditableMovie& movie, double position) {
  PluginCall<plugin_sig::MovieDoubleSet>(PluginEntry("EditableMovie.Position.Set"), movie, position);
}
inline Ref<Picture> EditableMoviePicture(EditableMovie& movie) {
  return PluginCall<plugin_sig::MoviePictureGet>(PluginEntry("EditableMovie.Picture.Get"), movie);
}
inline std::int32_t EditableMovieTimeScale(EditableMovie& movie) {
  return PluginCall<plugin_sig::MovieInt32Get>(PluginEntry("EditableMovie.TimeScale.Get"), movie);
}
inline std::int32_t EditableMovieTimeDuration(EditableMovie& movie) {
  return PluginCall<plugin_sig::MovieInt32Get>(PluginEntry("EditableMovie.TimeDuration.Get"), movie);
}
inline Ref<QTVideoTrack> EditableMovieNewVideoTrack(EditableMovie& movie, std::int32_t width, std::int32_t height,
                                                    double frameRate) {
  return PluginCall<plugin_sig::MovieNewVideoTrack>(
      PluginEntry("EditableMovie.NewVideoTrack(width As Integer, height As Integer, frameRate As double) As "
                  "QTVideoTrack"),
      movie, width, height, frameRate);
}

inline void QTVideoTrackSetCompressionType(QTVideoTrack& track, const std::string& type) {
  PluginCall<plugin_sig::TrackStringSet>(PluginEntry("QTVideoTrack.CompressionType.Set"), track, type);
}
inline void QTVideoTrackAppendPicture(QTVideoTrack& track, const Ref<Picture>& picture) {
  PluginCall<plugin_sig::TrackAppendPicture>(PluginEntry("QTVideoTrack.AppendPicture(pic As Picture)"), track,
                                             picture);
}

inline Ref<QTEffect> GetQTCrossFadeEffect() {
  return PluginCall<plugin_sig::GetCrossFadeEffect>(PluginEntry("GetQTCrossFadeEffect() As QTEffect"));
}
inline void QTEffectSequenceConstructor(QTEffectSequence& sequence, const Ref<QTEffect>& effect,
                                        const Ref<Picture>& image1, const Ref<Picture>& image2,
                                        std::int32_t frames) {
  PluginCall<plugin_sig::SequenceConstructor>(
      PluginEntry("QTEffectSequence.Constructor(effect as QTEffect, image1 as Picture, image2 as Picture, frames "
                  "as integer)"),
      sequence, effect, image1, image2, frames);
}
inline void QTEffectSequenceSetFrame(QTEffectSequence& sequence, std::int32_t frame) {
  PluginCall<plugin_sig::SequenceInt32Set>(PluginEntry("QTEffectSequence.Frame.Set"), sequence, frame);
}
inline Ref<Picture> QTEffectSequenceImage(QTEffectSequence& sequence) {
  return PluginCall<plugin_sig::SequenceImageGet>(PluginEntry("QTEffectSequence.Image.Get"), sequence);
}

}  // namespace plugin
