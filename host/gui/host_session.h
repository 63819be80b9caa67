// What the interactive hosts share (tarvo_host.cpp with an X11 window, tarvo_host_win32.cpp
// with a Win32 one): the command line, the plug-in loaded with a host callback that prints
// every automation as "automate INDEX VALUE", the input looped through it in real time on a
// thread of its own (so the meters move), and the final parameters as "param I VALUE".
// Each host adds only its window and its event loop, which idles the editor.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "render/demo_signal.h"
#include "vsthost/vst_host.h"

namespace tarvo::gui {

struct HostOptions {
  std::string input;   // audio file to loop; empty: the built-in demo
  std::string plugin;  // the plug-in binary
  int program = -1;    // factory program to start with; -1: the plug-in's own
  double seconds = 0;  // quit after this many seconds; 0: when the window is closed
};

// Parses the command line into `options` (the arguments as UTF-8 on every system). Answers
// the exit status when the program ends here (--help, --version, a usage error, which is
// printed), nullopt when it goes on.
std::optional<int> parseHostOptions(int argc, char** argv, HostOptions& options);

// The signal to loop: the file `input` (mono or stereo), or the built-in demo when empty.
render::StereoSignal loadSignal(const std::string& input);

// Asks every loop of the session to end: from a signal handler, the window's close button
// or the time limit.
void requestStop();
bool stopRequested();

// One run of an interactive host, from loading the plug-in to the final report.
class HostSession {
 public:
  // Loads the plug-in and selects the program of `options`; throws when it will not start.
  HostSession(const HostOptions& options, render::StereoSignal signal);
  // Stops and joins the audio thread if finish() was not reached.
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  host::PluginInstance& plugin() { return plugin_; }
  // The editor's size as the plug-in reports it (effEditGetRect), or the panel's.
  int editorWidth() const { return width_; }
  int editorHeight() const { return height_; }

  // Sets the rate and block size, switches the effect on and starts the audio thread; the
  // time limit counts from here.
  void startAudio();
  // False once a stop was requested or the time limit has passed.
  bool running();
  // Stops the audio, closes the editor, switches the effect off, prints the parameters and
  // closes the effect.
  void finish();

 private:
  static constexpr int kBlock = 256;  // frames per processReplacing call

  HostOptions options_;
  render::StereoSignal signal_;
  std::mutex printMutex_;
  host::PluginLibrary library_;
  host::PluginInstance plugin_;
  int width_ = 0;
  int height_ = 0;
  std::thread audio_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace tarvo::gui
