#pragma once
// The window's control classes, and the operations that make and wire them.
#include "ui/bevel_button.h"
#include "ui/canvas.h"
#include "ui/control.h"
#include "ui/instance_events.h"
#include "ui/progress_bar.h"
#include "ui/property_block.h"
#include "ui/static_text.h"
#include "ui/text_field.h"
#include "ui/timer.h"
#include "ui/window.h"
