#include "media/media_plugins.h"

#include <any>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "files/folder_item.h"
#include "media/effect.h"
#include "media/movie.h"
#include "plugin_signatures.h"
#include "runtime/plugins.h"

namespace {

template <class Sig, class F>
std::pair<const char*, std::any> Member(const char* declaration, F f) {
  return {declaration, std::any(std::function<Sig>(std::move(f)))};
}

}  // namespace

void RegisterMediaPluginMembers() {
  using namespace plugin_sig;
  const std::vector<std::pair<const char*, std::any>> members{
      Member<FolderItemMovie>("FolderItem.OpenEditableMovie() As EditableMovie",
                              [](FolderItem& f) { return f.OpenEditableMovie(); }),
      Member<FolderItemMovie>("FolderItem.CreateMovie() As EditableMovie",
                              [](FolderItem& f) { return f.CreateMovie(); }),
      Member<MovieDoubleGet>("EditableMovie.Duration.Get", [](EditableMovie& m) { return m.Duration(); }),
      Member<MovieDoubleGet>("EditableMovie.Position.Get", [](EditableMovie& m) { return m.Position(); }),
      Member<MovieDoubleSet>("EditableMovie.Position.Set", [](EditableMovie& m, double p) { m.SetPosition(p); }),
      Member<MoviePictureGet>("EditableMovie.Picture.Get", [](EditableMovie& m) { return m.Picture(); }),
      Member<MovieInt32Get>("EditableMovie.TimeScale.Get", [](EditableMovie& m) { return m.TimeScale(); }),
      Member<MovieInt32Get>("EditableMovie.TimeDuration.Get", [](EditableMovie& m) { return m.TimeDuration(); }),
      Member<MovieNewVideoTrack>(
          "EditableMovie.NewVideoTrack(width As Integer, height As Integer, frameRate As double) As QTVideoTrack",
          [](EditableMovie& m, std::int32_t w, std::int32_t h, double rate) { return m.NewVideoTrack(w, h, rate); }),
      Member<TrackStringGet>("QTVideoTrack.CompressionType.Get", [](QTVideoTrack& t) { return t.CompressionType(); }),
      Member<TrackStringSet>("QTVideoTrack.CompressionType.Set",
                             [](QTVideoTrack& t, const std::string& s) { t.SetCompressionType(s); }),
      Member<TrackAppendPicture>("QTVideoTrack.AppendPicture(pic As Picture)",
                                 [](QTVideoTrack& t, const Ref<Picture>& p) { t.AppendPicture(p); }),
      Member<GetCrossFadeEffect>("GetQTCrossFadeEffect() As QTEffect", [] { return GetQTCrossFadeEffect(); }),
      Member<SequenceConstructor>(
          "QTEffectSequence.Constructor(effect as QTEffect, image1 as Picture, image2 as Picture, frames as integer)",
          [](QTEffectSequence& s, const Ref<QTEffect>& e, const Ref<Picture>& a, const Ref<Picture>& b,
             std::int32_t frames) { s.Constructor(e, a, b, frames); }),
      Member<SequenceInt32Get>("QTEffectSequence.Frame.Get", [](QTEffectSequence& s) { return s.Frame(); }),
      Member<SequenceInt32Set>("QTEffectSequence.Frame.Set",
                               [](QTEffectSequence& s, std::int32_t f) { s.SetFrame(f); }),
      Member<SequenceImageGet>("QTEffectSequence.Image.Get", [](QTEffectSequence& s) { return s.Image(); }),
  };
  for (const auto& [declaration, function] : members) RuntimeRegisterPluginMember(declaration, function);
}
