#pragma once
// Private to the platform: the Graphics that a canvas hands its Paint
// handler, drawing with the painter of the paint event. It draws only
// while the event lasts; afterwards every drawing raises.
#include <QPainter>

#include "media/picture.h"

class PainterGraphics : public Graphics {
 public:
  PainterGraphics(QPainter& painter, std::int32_t width, std::int32_t height)
      : painter_(&painter), width_(width), height_(height) {}
  // The paint event is over.
  void End() noexcept { painter_ = nullptr; }

 protected:
  std::int32_t TargetWidth() const override { return width_; }
  std::int32_t TargetHeight() const override { return height_; }
  void DrawPlacement(const Picture& source, const Placement& placement) override;

 private:
  QPainter* painter_;
  std::int32_t width_, height_;
};
