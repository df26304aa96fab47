#include "app/plugin_entrypoints.h"

#include <array>
#include <string>

namespace {

using namespace std::string_view_literals;

// Declared in the plug-ins' own order: the bevel button, then the movie,
// track and effect classes. A property accessor is "Class.Property.Get" or
// ".Set"; a method carries its parameter list as the plug-in declares it.
constexpr std::array kPluginDeclarations{
    // BevelButton: every property its block sets, and its text settings.
    "BevelButton.AcceptFocus.Get"sv, "BevelButton.AcceptFocus.Set"sv,
    "BevelButton.BackColor.Get"sv, "BevelButton.BackColor.Set"sv,
    "BevelButton.Bevel.Get"sv, "BevelButton.Bevel.Set"sv,
    "BevelButton.Bold.Get"sv, "BevelButton.Bold.Set"sv,
    "BevelButton.ButtonType.Get"sv, "BevelButton.ButtonType.Set"sv,
    "BevelButton.Caption.Get"sv, "BevelButton.Caption.Set"sv,
    "BevelButton.CaptionAlign.Get"sv, "BevelButton.CaptionAlign.Set"sv,
    "BevelButton.CaptionDelta.Get"sv, "BevelButton.CaptionDelta.Set"sv,
    "BevelButton.CaptionPlacement.Get"sv, "BevelButton.CaptionPlacement.Set"sv,
    "BevelButton.HasBackColor.Get"sv, "BevelButton.HasBackColor.Set"sv,
    "BevelButton.HasMenu.Get"sv, "BevelButton.HasMenu.Set"sv,
    "BevelButton.IconAlign.Get"sv, "BevelButton.IconAlign.Set"sv,
    "BevelButton.IconDX.Get"sv, "BevelButton.IconDX.Set"sv,
    "BevelButton.IconDY.Get"sv, "BevelButton.IconDY.Set"sv,
    "BevelButton.Italic.Get"sv, "BevelButton.Italic.Set"sv,
    "BevelButton.MenuValue.Get"sv, "BevelButton.MenuValue.Set"sv,
    "BevelButton.TextColor.Get"sv, "BevelButton.TextColor.Set"sv,
    "BevelButton.TextFont.Get"sv, "BevelButton.TextFont.Set"sv,
    "BevelButton.TextUnit.Get"sv, "BevelButton.TextUnit.Set"sv,
    "BevelButton.Underline.Get"sv, "BevelButton.Underline.Set"sv,
    "BevelButton.Value.Get"sv, "BevelButton.Value.Set"sv,
    // The movie services.
    "FolderItem.OpenEditableMovie() As EditableMovie"sv,
    "FolderItem.CreateMovie() As EditableMovie"sv,
    "EditableMovie.Duration.Get"sv,
    "EditableMovie.Position.Get"sv, "EditableMovie.Position.Set"sv,
    "EditableMovie.Picture.Get"sv,
    "EditableMovie.TimeScale.Get"sv,
    "EditableMovie.TimeDuration.Get"sv,
    "EditableMovie.NewVideoTrack(width As Integer, height As Integer, frameRate As double) As QTVideoTrack"sv,
    "QTVideoTrack.CompressionType.Get"sv, "QTVideoTrack.CompressionType.Set"sv,
    "QTVideoTrack.AppendPicture(pic As Picture)"sv,
    // The effect services.
    "GetQTCrossFadeEffect() As QTEffect"sv,
    "QTEffectSequence.Constructor(effect as QTEffect, image1 as Picture, image2 as Picture, frames as integer)"sv,
    "QTEffectSequence.Frame.Get"sv, "QTEffectSequence.Frame.Set"sv,
    "QTEffectSequence.Image.Get"sv,
};

Ref<PluginEntrypointTable>& EntrypointTable() {
  static Ref<PluginEntrypointTable> t;
  return t;
}

}  // namespace

std::span<const std::string_view> PluginDeclarations() { return kPluginDeclarations; }

void SetPluginEntrypoints(Ref<PluginEntrypointTable> table) { EntrypointTable() = std::move(table); }

const PluginEntrypoint& PluginEntry(std::string_view declaration) {
  for (std::size_t i = 0; i < kPluginDeclarations.size(); ++i)
    if (kPluginDeclarations[i] == declaration) return EntrypointTable()->Entry(i + 1);
  throw RuntimeException("PlugInException", "no plug-in declaration \"" + std::string(declaration) + "\"");
}
