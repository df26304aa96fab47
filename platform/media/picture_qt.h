#pragma once
// Private to the platform: pictures as Qt images.
#include <QImage>

#include "media/picture.h"

// Wraps the picture's pixels without a copy. For reading only, and only
// while the picture is alive and unchanged (an empty picture gives a null image).
QImage PictureAsQImage(const Picture& picture);
// A new picture with the image's pixels converted to Format_RGB32 (none for
// a null image).
Ref<Picture> PictureFromQImage(const QImage& image);
// Draws a clipped placement of the picture with a painter (smooth when scaled).
class QPainter;
void PaintPlacement(QPainter& painter, const Picture& source, const Graphics::Placement& placement);
