#pragma once
// The C++ signature of every plug-in member, shared by the platform, which
// registers each member under its declaration text, and the system, which
// calls it through its entry point. A member registered or called with
// another signature fails as an unavailable member.
#include <cstdint>
#include <string>

#include "runtime/variant.h"

class BevelButton;
class EditableMovie;
class FolderItem;
class Picture;
class QTEffect;
class QTEffectSequence;
class QTVideoTrack;

namespace plugin_sig {
// BevelButton property accessors, by the property's kind.
using BevelInt32Get = std::int32_t(BevelButton&);
using BevelInt32Set = void(BevelButton&, std::int32_t);
using BevelBooleanGet = bool(BevelButton&);
using BevelBooleanSet = void(BevelButton&, bool);
using BevelColorGet = Color(BevelButton&);
using BevelColorSet = void(BevelButton&, Color);
using BevelStringGet = std::string(BevelButton&);
using BevelStringSet = void(BevelButton&, const std::string&);

// "FolderItem.OpenEditableMovie() As EditableMovie", "FolderItem.CreateMovie() As EditableMovie"
using FolderItemMovie = Ref<EditableMovie>(FolderItem&);
// "EditableMovie.Duration.Get", "EditableMovie.Position.Get"
using MovieDoubleGet = double(EditableMovie&);
// "EditableMovie.Position.Set"
using MovieDoubleSet = void(EditableMovie&, double);
// "EditableMovie.Picture.Get"
using MoviePictureGet = Ref<Picture>(EditableMovie&);
// "EditableMovie.TimeScale.Get", "EditableMovie.TimeDuration.Get"
using MovieInt32Get = std::int32_t(EditableMovie&);
// "EditableMovie.NewVideoTrack(width As Integer, height As Integer, frameRate As double) As QTVideoTrack"
using MovieNewVideoTrack = Ref<QTVideoTrack>(EditableMovie&, std::int32_t, std::int32_t, double);
// "QTVideoTrack.CompressionType.Get" / ".Set"
using TrackStringGet = std::string(QTVideoTrack&);
using TrackStringSet = void(QTVideoTrack&, const std::string&);
// "QTVideoTrack.AppendPicture(pic As Picture)"
using TrackAppendPicture = void(QTVideoTrack&, const Ref<Picture>&);
// "GetQTCrossFadeEffect() As QTEffect"
using GetCrossFadeEffect = Ref<QTEffect>();
// "QTEffectSequence.Constructor(effect as QTEffect, image1 as Picture, image2 as Picture, frames as integer)"
using SequenceConstructor = void(QTEffectSequence&, const Ref<QTEffect>&, const Ref<Picture>&, const Ref<Picture>&,
                                 std::int32_t);
// "QTEffectSequence.Frame.Get" / ".Set"
using SequenceInt32Get = std::int32_t(QTEffectSequence&);
using SequenceInt32Set = void(QTEffectSequence&, std::int32_t);
// "QTEffectSequence.Image.Get"
using SequenceImageGet = Ref<Picture>(QTEffectSequence&);
}  // namespace plugin_sig
