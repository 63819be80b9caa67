// TDIBImageList: the skin images, decoded once and looked up by index.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "toolkit/dib_block.h"
#include "toolkit/surface.h"

namespace tarvo::toolkit {

// One stored image with its display name and transparency.
struct TDIBImageItem {
  std::string displayName;
  Surface image;
  // 0xRRGGBB of the pixels that are not drawn; none for an opaque image.
  std::optional<uint32_t> colourKey;
};

class TDIBImageList {
 public:
  // Appends an image and returns its index.
  int Add(std::string displayName, Surface image, std::optional<uint32_t> colourKey = {});
  // Decodes a stored block (see dib_block.h) and appends it; throws what ReadDibBlock throws.
  int AddBlock(std::string displayName, std::span<const uint8_t> block,
               std::optional<uint32_t> colourKey = {});

  int Count() const { return static_cast<int>(items_.size()); }
  // The item at `index`, or nullptr for an index outside the list (such indices are ignored).
  const TDIBImageItem* Item(int index) const;

 private:
  std::vector<TDIBImageItem> items_;
};

}  // namespace tarvo::toolkit
