#include "gui/host_session.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "editor/editor_layout.h"
#include "params/param_table.h"
#include "params/value_parse.h"
#include "render/cli_status.h"
#include "render/sound_file.h"
#include "render/utf8_args.h"

namespace tarvo::gui {

namespace {

std::atomic<bool> gStop{false};

// The audio loop: the whole signal, looped, through processReplacing at the pace of real
// time, until a stop is requested.
void audioLoop(host::PluginInstance& plugin, const render::StereoSignal& signal, int block) {
  std::vector<float> inL(block), inR(block), outL(block), outR(block);
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  long position = 0;
  const auto period = std::chrono::duration<double>(double(block) / signal.sampleRate);
  auto next = std::chrono::steady_clock::now();
  while (!gStop.load()) {
    for (int i = 0; i < block; ++i) {
      inL[i] = signal.interleaved[2 * position];
      inR[i] = signal.interleaved[2 * position + 1];
      position = (position + 1) % signal.frames();
    }
    plugin.processReplacing(in, out, block);
    next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
    std::this_thread::sleep_until(next);
  }
}

}  // namespace

void requestStop() {
  gStop.store(true);
}

bool stopRequested() {
  return gStop.load();
}

std::optional<int> parseHostOptions(int argc, char** argv, HostOptions& options) {
  CLI::App app{"tarvo-host: a small VST 2 host that shows the Tarvo editor"};
  // The same options everywhere: on Windows "/path/song.wav" is a file, not a "/option".
  app.allow_windows_style_options(false);
  render::addVersionFlag(app, "tarvo-host");
  bool gui = false;
  std::string programText;
  options.plugin = TARVO_DEFAULT_PLUGIN;
  app.add_flag("--gui", gui, "open the editor in a window (the only mode for now)")->required();
  app.add_option("--input", options.input, "audio file to loop (default: the built-in demo)");
  app.add_option("--plugin", options.plugin, "the plug-in binary")->capture_default_str();
  app.add_option("--program", programText, "factory program to start with: number 0-24 or name");
  app.add_option("--seconds", options.seconds, "quit after this many seconds (0: when closed)");
  try {
    const std::vector<std::string> args = render::utf8Arguments(argc, argv);
    std::vector<const char*> utf8Argv;
    for (const std::string& a : args) utf8Argv.push_back(a.c_str());
    app.parse(static_cast<int>(utf8Argv.size()), utf8Argv.data());
  } catch (const CLI::ParseError& e) {
    return render::statusAfterParse(app, e);
  }
  if (!programText.empty()) {
    const std::optional<int> found = params::findProgram(programText);
    if (!found) {
      std::cerr << "tarvo-host: unknown program '" << programText
                << "'; give a number 0-24 or a name (tarvo-render --list shows them)\n";
      return render::kExitUsage;
    }
    options.program = *found;
  }
  return std::nullopt;
}

render::StereoSignal loadSignal(const std::string& input) {
  if (input.empty()) return render::makeDemoSignal(44100);
  render::SoundFileReader reader(input);
  const auto& f = reader.format();
  if (f.channels < 1 || f.channels > 2) {
    throw std::runtime_error("'" + input + "' has " + std::to_string(f.channels) +
                             " channels; use a mono or stereo file");
  }
  render::StereoSignal signal;
  signal.sampleRate = f.sampleRate;
  std::vector<float> buffer(4096 * f.channels);
  for (;;) {
    const int64_t n = reader.read(buffer.data(), 4096);
    if (n <= 0) break;
    for (int64_t i = 0; i < n; ++i) {
      const float l = buffer[i * f.channels];
      signal.interleaved.push_back(l);
      signal.interleaved.push_back(f.channels == 2 ? buffer[i * 2 + 1] : l);
    }
  }
  if (signal.frames() == 0) throw std::runtime_error("'" + input + "' holds no audio");
  return signal;
}

HostSession::HostSession(const HostOptions& options, render::StereoSignal signal)
    : options_(options),
      signal_(std::move(signal)),
      library_(options.plugin),
      plugin_(library_,
              [this](vst::AEffect* e, int32_t opcode, int32_t index, vst::VstIntPtr value,
                     void* ptr, float opt) -> vst::VstIntPtr {
                if (opcode == vst::audioMasterAutomate) {
                  std::lock_guard<std::mutex> lock(printMutex_);
                  std::printf("automate %d %.6f\n", index, double(opt));
                  std::fflush(stdout);
                  return 0;
                }
                return host::defaultHostAnswer(e, opcode, index, value, ptr, opt);
              }) {
  if (plugin_.effect() == nullptr) throw std::runtime_error("the plug-in declined to start");
  if (options_.program >= 0) plugin_.dispatch(vst::effSetProgram, 0, options_.program);
  vst::ERect* rect = nullptr;
  plugin_.dispatch(vst::effEditGetRect, 0, 0, &rect);
  width_ = rect != nullptr ? rect->right - rect->left : editor::kPanelWidth;
  height_ = rect != nullptr ? rect->bottom - rect->top : editor::kPanelHeight;
}

HostSession::~HostSession() {
  if (audio_.joinable()) {
    requestStop();
    audio_.join();
  }
}

void HostSession::startAudio() {
  plugin_.dispatch(vst::effSetSampleRate, 0, 0, nullptr, float(signal_.sampleRate));
  plugin_.dispatch(vst::effSetBlockSize, 0, kBlock);
  plugin_.dispatch(vst::effMainsChanged, 0, 1);
  audio_ = std::thread(audioLoop, std::ref(plugin_), std::cref(signal_), kBlock);
  start_ = std::chrono::steady_clock::now();
}

bool HostSession::running() {
  if (options_.seconds > 0 &&
      std::chrono::steady_clock::now() - start_ > std::chrono::duration<double>(options_.seconds)) {
    requestStop();
  }
  return !stopRequested();
}

void HostSession::finish() {
  requestStop();
  if (audio_.joinable()) audio_.join();
  plugin_.dispatch(vst::effEditClose);
  plugin_.dispatch(vst::effMainsChanged, 0, 0);
  // The final parameter values, for scripts that drive the editor.
  for (int i = 0; i < params::kNumParams; ++i) {
    std::printf("param %d %.6f\n", i, double(plugin_.getParameter(i)));
  }
  std::fflush(stdout);
  plugin_.close();
}

}  // namespace tarvo::gui
