#include "toolkit/dib_image.h"

#include "toolkit/dib_image_list.h"

namespace tarvo::toolkit {

void TDIBImage::SetIndexImage(int index) {
  if (index == indexImage_) return;
  indexImage_ = index;
  Invalidate();
}

void TDIBImage::Paint(Canvas& canvas) {
  const TDIBImageItem* item = ImageList() ? ImageList()->Item(indexImage_) : nullptr;
  if (item == nullptr) return;
  canvas.DrawImage(item->image, 0, 0, BlitOptions{item->colourKey, 255});
}

}  // namespace tarvo::toolkit
