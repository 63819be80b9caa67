// The Turtle description of the LV2 bundle, written from the parameter table, the factory
// programs (program 0 gives the ports' defaults, every program is a preset) and the port
// layout of lv2_ports.h.
#pragma once

#include <string>

namespace tarvo::lv2 {

// The file that holds the factory programs as presets.
inline constexpr const char* kPresetsFile = "presets.ttl";

// manifest.ttl: the plug-in's URI, its binary and the file that describes it, each factory
// program's preset URI, and with `withUi` the editor UI and its binary.
std::string manifestTurtle(bool withUi);
// tarvo.ttl: the plug-in and every port; with `withUi` also the editor UI, its features
// and the meter ports it is told about.
std::string pluginTurtle(bool withUi);
// presets.ttl: one preset per factory program, holding every control port's value.
std::string presetsTurtle();

}  // namespace tarvo::lv2
