// TImage: a plain picture control holding its own bitmap, drawn at its top-left corner
// and cut to the control's current size (the meter bars).
#pragma once

#include "toolkit/dib_control.h"
#include "toolkit/surface.h"

namespace tarvo::toolkit {

// Opaque: the bitmap replaces what lies below wherever it covers the control; parts of the
// control beyond the bitmap show the panel below. Resizing at a fixed corner marks only
// the strip that appeared or disappeared, since the rest of the picture stays in place.
class TImage : public TCustomDIBControl {
 public:
  using TCustomDIBControl::TCustomDIBControl;

  const Surface& Picture() const { return picture_; }
  void SetPicture(Surface picture);

 protected:
  void Paint(Canvas& canvas) override;
  void BoundsChanged(const Rect& before, const Rect& after) override;

 private:
  Surface picture_;
};

}  // namespace tarvo::toolkit
