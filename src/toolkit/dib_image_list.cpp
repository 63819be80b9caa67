#include "toolkit/dib_image_list.h"

#include <utility>

namespace tarvo::toolkit {

int TDIBImageList::Add(std::string displayName, Surface image, std::optional<uint32_t> colourKey) {
  if (colourKey) colourKey = RgbOf(*colourKey);
  items_.push_back(TDIBImageItem{std::move(displayName), std::move(image), colourKey});
  return Count() - 1;
}

int TDIBImageList::AddBlock(std::string displayName, std::span<const uint8_t> block,
                            std::optional<uint32_t> colourKey) {
  return Add(std::move(displayName), ReadDibBlock(block), colourKey);
}

const TDIBImageItem* TDIBImageList::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &items_[static_cast<size_t>(index)];
}

}  // namespace tarvo::toolkit
