// tarvo-info [PLUGIN.so]: loads the plug-in through the VST 2 interface and prints what a
// host sees: identity, channel counts, the parameters with their display texts and the
// programs.
#include <cstdio>
#include <exception>
#include <string>

#include "vsthost/vst_host.h"

using tarvo::host::PluginInstance;
using tarvo::host::PluginLibrary;
namespace vst = tarvo::vst;

int main(int argc, char** argv) {
  const std::string first = argc >= 2 ? argv[1] : "";
  if (argc == 2 && first == "--version") {
    std::printf("tarvo-info %s (Tarvo by Velmora Audio)\n", TARVO_VERSION);
    return 0;
  }
  const bool help = argc == 2 && (first == "--help" || first == "-h");
  if (argc > 2 || help || (!first.empty() && first[0] == '-')) {
    std::fprintf(help ? stdout : stderr,
                 "usage: tarvo-info [PLUGIN]\n  default PLUGIN: %s\n  --version, --help\n",
                 TARVO_DEFAULT_PLUGIN);
    return help ? 0 : 2;
  }
  const std::string path = argc == 2 ? argv[1] : TARVO_DEFAULT_PLUGIN;
  try {
    PluginLibrary library(path);
    PluginInstance plugin(library);
    vst::AEffect* e = plugin.effect();
    if (e == nullptr) {
      std::fprintf(stderr, "tarvo-info: the plug-in declined to start (entry returned null)\n");
      return 1;
    }
    const int32_t id = e->uniqueID;
    std::printf("%s by %s (product %s), id '%c%c%c%c', version %d\n", plugin.effectName().c_str(),
                plugin.vendorString().c_str(), plugin.productString().c_str(), char(id >> 24),
                char(id >> 16), char(id >> 8), char(id), e->version);
    std::printf("%d in / %d out, flags 0x%x, VST version %ld\n", e->numInputs, e->numOutputs,
                e->flags, long(plugin.dispatch(vst::effGetVstVersion)));
    std::printf("\n%d parameters:\n", e->numParams);
    for (int i = 0; i < e->numParams; ++i) {
      std::printf("  %2d  %-13s %-9s (%.4g)\n", i, plugin.parameterName(i).c_str(),
                  plugin.parameterDisplay(i).c_str(), double(plugin.getParameter(i)));
    }
    std::printf("\n%d programs:\n", e->numPrograms);
    for (int i = 0; i < e->numPrograms; ++i) {
      std::printf("  %2d  %s\n", i, plugin.programNameIndexed(i).c_str());
    }
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarvo-info: %s\n", error.what());
    return 1;
  }
}
