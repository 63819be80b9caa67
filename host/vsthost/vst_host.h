// A small VST 2 host: loads a plug-in binary, calls its entry point with a host callback
// and drives the effect only through the record, as a DAW would.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vst/aeffect.h"

namespace tarvo::host {

using vst::AEffect;
using vst::VstIntPtr;

// Answers the plug-in's calls to the host. The default answers audioMasterVersion with
// 2400, the vendor and product requests with this host's names, and 0 to the rest.
using HostCallback = std::function<VstIntPtr(AEffect*, int32_t opcode, int32_t index,
                                             VstIntPtr value, void* ptr, float opt)>;

VstIntPtr defaultHostAnswer(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value,
                            void* ptr, float opt);

// The loaded binary. Unloads it when destroyed (after every instance is closed).
class PluginLibrary {
 public:
  // Loads `path` with RTLD_NOW | RTLD_LOCAL (LoadLibraryW of the UTF-8 path on Windows)
  // and finds its entry point (`VSTPluginMain`, else `main`). Throws std::runtime_error
  // with the loader's message on failure.
  explicit PluginLibrary(const std::string& path);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  using EntryProc = AEffect*(VSTCALL*)(vst::AudioMasterCallback);
  EntryProc entry() const { return entry_; }

 private:
  void* handle_ = nullptr;
  EntryProc entry_ = nullptr;
};

// One effect created through the entry point. All calls to the host from this effect go
// to `callback`; effClose is sent when the instance is destroyed.
class PluginInstance {
 public:
  // Calls the entry point; `effect()` is null when the plug-in declined.
  PluginInstance(const PluginLibrary& library, HostCallback callback = defaultHostAnswer);
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  AEffect* effect() const { return effect_; }
  VstIntPtr dispatch(int32_t opcode, int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  void setParameter(int32_t index, float value);
  float getParameter(int32_t index);
  void process(float** inputs, float** outputs, int32_t frames);
  void processReplacing(float** inputs, float** outputs, int32_t frames);
  // Sends effClose now; later calls do nothing. Answers the dispatcher's result.
  VstIntPtr close();

  // Texts through the dispatcher (buffers of the sizes hosts use, generously sized).
  std::string effectName();
  std::string vendorString();
  std::string productString();
  std::string parameterName(int32_t index);
  std::string parameterDisplay(int32_t index);
  std::string parameterLabel(int32_t index);
  std::string programName();
  std::string programNameIndexed(int32_t index, bool* ok = nullptr);

 private:
  std::string text(int32_t opcode, int32_t index, VstIntPtr value = 0, VstIntPtr* answer = nullptr);

  AEffect* effect_ = nullptr;
  std::shared_ptr<HostCallback> callback_;
};

}  // namespace tarvo::host
