#include "snapshot/panel_snapshot.h"

#include <png.h>

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "editor/plugin_editor_window.h"
#include "params/factory_presets.h"

namespace tarvo::snapshot {

namespace {

// The window's host for a picture: nothing is written anywhere.
class SilentHost final : public editor::EditorHost {
 public:
  void setParameterAutomated(int, float) override {}
  std::optional<std::string> readSettingString(const std::string&) override { return std::nullopt; }
  void openDocument(const std::string&, bool) override {}
};

std::optional<double> parseNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

float fromDb(double db) {
  return static_cast<float>(std::pow(10.0, db / 20.0));
}

}  // namespace

std::optional<MeterLevels> ParseMeterLevels(std::string_view text, std::string& error) {
  double parts[3];
  std::string_view rest = text;
  for (int i = 0; i < 3; ++i) {
    const size_t comma = rest.find(',');
    const bool last = i == 2;
    if (last != (comma == std::string_view::npos)) {
      error = "--meters needs three numbers IN_DB,OUT_DB,GAIN_DB (for example -12,-6,-4), got '" +
              std::string(text) + "'";
      return std::nullopt;
    }
    const std::optional<double> value = parseNumber(rest.substr(0, comma));
    if (!value) {
      error = "--meters: '" + std::string(rest.substr(0, comma)) +
              "' is not a number of dB; give IN_DB,OUT_DB,GAIN_DB such as -12,-6,-4";
      return std::nullopt;
    }
    parts[i] = *value;
    if (!last) rest.remove_prefix(comma + 1);
  }
  return MeterLevels{parts[0], parts[1], parts[2]};
}

toolkit::Surface RenderPanel(const PanelSettings& settings) {
  SilentHost host;
  editor::TPluginEditorWindow window(&host);
  const int program = settings.program < 0                       ? 0
                      : settings.program >= params::kNumPrograms ? params::kNumPrograms - 1
                                                                 : settings.program;
  window.programIndex = program;
  for (int i = 0; i < params::kNumParams; ++i) {
    window.paramCopy[i] = params::factoryPresets[program][i];
  }
  for (const auto& [index, value] : settings.values) {
    if (index >= 0 && index < params::kNumParams) window.paramCopy[index] = value;
  }
  window.UpdateControls();
  // An effect at rest reports silence and no gain change.
  const MeterLevels rest{-1000.0, -1000.0, 0.0};
  const MeterLevels& levels = settings.meters ? *settings.meters : rest;
  window.inLevelL = window.inLevelR = fromDb(levels.inDb);
  window.outLevelL = window.outLevelR = fromDb(levels.outDb);
  window.gainLevelL = window.gainLevelR = fromDb(levels.gainDb);
  window.UpdateMeter();
  window.Compose();
  return window.Bitmap();
}

void WritePng(const toolkit::Surface& picture, const std::string& path) {
  std::vector<uint8_t> rgb(static_cast<size_t>(picture.Width()) * picture.Height() * 3);
  size_t at = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    const toolkit::Pixel* row = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      rgb[at++] = toolkit::RedOf(row[x]);
      rgb[at++] = toolkit::GreenOf(row[x]);
      rgb[at++] = toolkit::BlueOf(row[x]);
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.Width());
  image.height = static_cast<png_uint_32>(picture.Height());
  image.format = PNG_FORMAT_RGB;
  if (png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) == 0) {
    const std::string reason = image.message;
    png_image_free(&image);
    throw std::runtime_error("cannot write '" + path + "': " + reason);
  }
}

}  // namespace tarvo::snapshot
