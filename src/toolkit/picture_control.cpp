#include "toolkit/picture_control.h"

#include <utility>

#include "toolkit/dib_container.h"

namespace tarvo::toolkit {

void TImage::SetPicture(Surface picture) {
  picture_ = std::move(picture);
  Invalidate();
}

void TImage::Paint(Canvas& canvas) {
  canvas.DrawImage(picture_, 0, 0);
}

void TImage::BoundsChanged(const Rect& before, const Rect& after) {
  if (before.left != after.left || before.top != after.top) {
    TCustomDIBControl::BoundsChanged(before, after);
    return;
  }
  if (Container() == nullptr || !Visible()) return;
  // Same corner: the pixels of the common part are unchanged. What changed is the part of
  // the larger extent outside the smaller one, along each axis.
  const Rect common = Intersect(before, after);
  const Rect outer = Union(before, after);
  if (common.Empty()) {
    Container()->Invalidate(before);
    Container()->Invalidate(after);
    return;
  }
  Container()->Invalidate(Rect{common.right, outer.top, outer.right, outer.bottom});
  Container()->Invalidate(Rect{outer.left, common.bottom, common.right, outer.bottom});
}

}  // namespace tarvo::toolkit
