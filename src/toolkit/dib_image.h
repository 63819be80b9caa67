// TDIBImage: a control showing one image of its image list.
#pragma once

#include "toolkit/dib_control.h"

namespace tarvo::toolkit {

// Draws image `IndexImage` unscaled at its top-left corner, cut to the control's size,
// leaving out the image's colour-key pixels. Without an image (index -1 or outside the
// list) it draws nothing and serves as an invisible click area. Lamps and selector
// arrows use Opacity 0 for "off" and 255 for "on".
class TDIBImage : public TCustomDIBControl {
 public:
  using TCustomDIBControl::TCustomDIBControl;

  int IndexImage() const { return indexImage_; }
  void SetIndexImage(int index);

 protected:
  void Paint(Canvas& canvas) override;

 private:
  int indexImage_ = -1;
};

}  // namespace tarvo::toolkit
