#include "engine/sequence.h"

#include "app/plugin_calls.h"

Ref<QTEffectSequence> NewEffectSequence(Window1& window, const Ref<QTEffect>& effect, const Ref<Picture>& from,
                                        const Ref<Picture>& to, std::int32_t frames) {
  Ref<QTEffectSequence> sequence = RuntimeCheckCastAs<QTEffectSequence>(
      window.__New(QTEffectSequence::StaticClass()), QTEffectSequence::StaticClass());
  plugin::QTEffectSequenceConstructor(*sequence, effect, from, to, frames);
  return sequence;
}
