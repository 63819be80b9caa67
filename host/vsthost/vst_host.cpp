#include "vsthost/vst_host.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>

namespace tarvo::host {

namespace {

// Entry points a VST 2 binary may export, in the order hosts look for them: the current
// name first, then the original one (which Tarvo exports).
constexpr const char* kEntryNames[] = {"VSTPluginMain", "main"};
constexpr const char* kNoEntryText = "it exports neither 'VSTPluginMain' nor 'main'";

// Routes each plug-in call to the callback of its instance. During the entry point the
// record is not yet known to the host, so calls arrive for the instance being created.
std::mutex gRoutesMutex;
std::map<AEffect*, std::shared_ptr<HostCallback>> gRoutes;
thread_local std::shared_ptr<HostCallback> tCreating;

VstIntPtr VSTCALL hostCallback(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value,
                               void* ptr, float opt) {
  std::shared_ptr<HostCallback> target;
  {
    std::lock_guard<std::mutex> lock(gRoutesMutex);
    auto it = gRoutes.find(effect);
    if (it != gRoutes.end()) target = it->second;
  }
  if (target == nullptr) target = tCreating;
  if (target == nullptr) return defaultHostAnswer(effect, opcode, index, value, ptr, opt);
  return (*target)(effect, opcode, index, value, ptr, opt);
}

// A bare file name that names a file in the current folder is that file: the loaders
// would otherwise look for it only in the system's library folders (dlopen) or in the
// program's folder first (LoadLibrary).
std::string pathForLoader(const std::string& path) {
  if (path.find('/') != std::string::npos) return path;
#if defined(_WIN32)
  if (path.find('\\') != std::string::npos || path.find(':') != std::string::npos) return path;
  const char* here = ".\\";
#else
  const char* here = "./";
#endif
  std::error_code ec;
  const std::filesystem::path file(std::u8string(path.begin(), path.end()));
  if (!std::filesystem::is_regular_file(file, ec)) return path;
  return here + path;
}

}  // namespace

VstIntPtr defaultHostAnswer(AEffect* /*effect*/, int32_t opcode, int32_t /*index*/,
                            VstIntPtr /*value*/, void* ptr, float /*opt*/) {
  switch (opcode) {
    case vst::audioMasterVersion:
      return 2400;
    case vst::audioMasterGetVendorString:
      if (ptr != nullptr) std::strcpy(static_cast<char*>(ptr), "Velmora Audio");
      return 1;
    case vst::audioMasterGetProductString:
      if (ptr != nullptr) std::strcpy(static_cast<char*>(ptr), "Tarvo Host");
      return 1;
    default:
      return 0;
  }
}

#if defined(_WIN32)
PluginLibrary::PluginLibrary(const std::string& path) {
  // The path is UTF-8: converted for the wide call, so that any file name loads.
  const std::string local = pathForLoader(path);
  std::wstring wide(local.size() + 1, L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, 0, local.c_str(), static_cast<int>(local.size()),
                                    wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? n : 0);
  HMODULE module = LoadLibraryW(wide.c_str());
  if (module == nullptr) {
    throw std::runtime_error("cannot load plug-in '" + path + "': Windows error " +
                             std::to_string(GetLastError()));
  }
  handle_ = module;
  for (const char* name : kEntryNames) {
    entry_ = reinterpret_cast<EntryProc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (entry_ != nullptr) return;
  }
  FreeLibrary(module);
  handle_ = nullptr;
  throw std::runtime_error("'" + path + "' is not a VST 2 plug-in: " + kNoEntryText);
}

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
}
#else
PluginLibrary::PluginLibrary(const std::string& path) {
  handle_ = dlopen(pathForLoader(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* err = dlerror();
    throw std::runtime_error("cannot load plug-in '" + path + "': " + (err ? err : "unknown"));
  }
  for (const char* name : kEntryNames) {
    entry_ = reinterpret_cast<EntryProc>(dlsym(handle_, name));
    if (entry_ != nullptr) return;
  }
  dlclose(handle_);
  handle_ = nullptr;
  throw std::runtime_error("'" + path + "' is not a VST 2 plug-in: " + kNoEntryText);
}

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}
#endif

PluginInstance::PluginInstance(const PluginLibrary& library, HostCallback callback)
    : callback_(std::make_shared<HostCallback>(std::move(callback))) {
  tCreating = callback_;
  effect_ = library.entry()(hostCallback);
  tCreating.reset();
  if (effect_ != nullptr) {
    std::lock_guard<std::mutex> lock(gRoutesMutex);
    gRoutes[effect_] = callback_;
  }
}

PluginInstance::~PluginInstance() {
  close();
}

VstIntPtr PluginInstance::close() {
  if (effect_ == nullptr) return 0;
  const VstIntPtr answer = effect_->dispatcher(effect_, vst::effClose, 0, 0, nullptr, 0.0f);
  std::lock_guard<std::mutex> lock(gRoutesMutex);
  gRoutes.erase(effect_);
  effect_ = nullptr;
  return answer;
}

VstIntPtr PluginInstance::dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                                   float opt) {
  if (opcode == vst::effClose) return close();
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void PluginInstance::setParameter(int32_t index, float value) {
  effect_->setParameter(effect_, index, value);
}

float PluginInstance::getParameter(int32_t index) {
  return effect_->getParameter(effect_, index);
}

void PluginInstance::process(float** inputs, float** outputs, int32_t frames) {
  effect_->process(effect_, inputs, outputs, frames);
}

void PluginInstance::processReplacing(float** inputs, float** outputs, int32_t frames) {
  effect_->processReplacing(effect_, inputs, outputs, frames);
}

std::string PluginInstance::text(int32_t opcode, int32_t index, VstIntPtr value,
                                 VstIntPtr* answer) {
  char buffer[256] = {};
  const VstIntPtr result = dispatch(opcode, index, value, buffer, 0.0f);
  if (answer != nullptr) *answer = result;
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

std::string PluginInstance::effectName() {
  return text(vst::effGetEffectName, 0);
}
std::string PluginInstance::vendorString() {
  return text(vst::effGetVendorString, 0);
}
std::string PluginInstance::productString() {
  return text(vst::effGetProductString, 0);
}
std::string PluginInstance::parameterName(int32_t index) {
  return text(vst::effGetParamName, index);
}
std::string PluginInstance::parameterDisplay(int32_t index) {
  return text(vst::effGetParamDisplay, index);
}
std::string PluginInstance::parameterLabel(int32_t index) {
  return text(vst::effGetParamLabel, index);
}
std::string PluginInstance::programName() {
  return text(vst::effGetProgramName, 0);
}
std::string PluginInstance::programNameIndexed(int32_t index, bool* ok) {
  VstIntPtr answer = 0;
  std::string name = text(vst::effGetProgramNameIndexed, index, 0, &answer);
  if (ok != nullptr) *ok = answer != 0;
  return name;
}

}  // namespace tarvo::host
