// Accessors over the skin files embedded at build time (tarvo_skin_embedded.h).
#include "skin_data.h"

#include "tarvo_skin_embedded.h"

namespace tarvo::skin {

namespace e = embedded;

namespace {

struct Entry {
  const unsigned char* data;
  const std::size_t* size;
  std::string_view name;
};

const Entry kImages[kSkinImageCount] = {
    {e::index_pointer_dib, &e::index_pointer_dib_size, "Index Pointer"},
    {e::knob_large_dib, &e::knob_large_dib_size, "Knob Large"},
    {e::chassis_dib, &e::chassis_dib_size, "Chassis"},
    {e::selector_right_dib, &e::selector_right_dib_size, "Selector Right"},
    {e::green_microswitch_dib, &e::green_microswitch_dib_size, "Green Microswitch"},
    {e::red_microswitch_dib, &e::red_microswitch_dib_size, "Red Microswitch"},
    {e::knob_small_dib, &e::knob_small_dib_size, "Knob Small"},
    {e::index_pointer_small_dib, &e::index_pointer_small_dib_size, "Index Pointer Small"},
};

std::span<const uint8_t> bytes(const unsigned char* data, std::size_t size) {
  return {reinterpret_cast<const uint8_t*>(data), size};
}

}  // namespace

std::span<const uint8_t> skinImage(int index) {
  if (index < 0 || index >= kSkinImageCount) return {};
  return bytes(kImages[index].data, *kImages[index].size);
}

std::string_view skinImageName(int index) {
  if (index < 0 || index >= kSkinImageCount) return {};
  return kImages[index].name;
}

std::span<const uint8_t> backgroundImage() {
  return skinImage(kChassis);
}

std::span<const uint8_t> meterInputLit() {
  return bytes(e::meter_input_lit_dib, e::meter_input_lit_dib_size);
}
std::span<const uint8_t> meterCover() {
  return bytes(e::meter_cover_dib, e::meter_cover_dib_size);
}
std::span<const uint8_t> meterReductionLit() {
  return bytes(e::meter_reduction_lit_dib, e::meter_reduction_lit_dib_size);
}

std::span<const uint8_t> glyphAtlas9() {
  return bytes(e::liberation_sans_9_tvga, e::liberation_sans_9_tvga_size);
}
std::span<const uint8_t> glyphAtlas11() {
  return bytes(e::liberation_sans_11_tvga, e::liberation_sans_11_tvga_size);
}

}  // namespace tarvo::skin
