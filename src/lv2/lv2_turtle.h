// The Turtle description of the LV2 bundle, written from the parameter table, the factory
// program 0 (the ports' defaults) and the port layout of lv2_ports.h.
#pragma once

#include <string>

namespace tarvo::lv2 {

// manifest.ttl: the plug-in's URI, its binary and the file that describes it.
std::string manifestTurtle();
// tarvo.ttl: the plug-in and every port.
std::string pluginTurtle();

}  // namespace tarvo::lv2
