#pragma once
// A new effect sequence belonging to the window, constructed from the
// effect, the two pictures and the number of steps.
#include "mainwindow/window1.h"

Ref<QTEffectSequence> NewEffectSequence(Window1& window, const Ref<QTEffect>& effect, const Ref<Picture>& from,
                                        const Ref<Picture>& to, std::int32_t frames);
