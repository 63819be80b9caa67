#include "plugin/plugin_program.h"

#include "vst/vst_utils.h"

namespace tarvo::plugin {

APluginProgram::APluginProgram(const float (&factoryValues)[params::kNumParams],
                               const char* factoryName) {
  for (int j = 0; j < params::kNumParams; ++j) values[j].store(factoryValues[j]);
  vst::copyTextCut(name, factoryName, kNameSize - 1);
}

}  // namespace tarvo::plugin
