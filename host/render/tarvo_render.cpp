// tarvo-render: runs audio files through the built Tarvo plug-in, loaded through the VST 2
// binary interface exactly as a host loads it. The Windows build reads and writes WAV files
// only and has no --snapshot (no PNG writer or editor link there).
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "params/factory_presets.h"
#include "params/number_text.h"
#include "params/param_table.h"
#include "params/value_parse.h"
#include "render/demo_signal.h"
#include "render/native_file.h"
#include "render/plugin_location.h"
#include "render/render_job.h"
#include "render/sound_file.h"
#include "render/utf8_args.h"
#include "vsthost/vst_host.h"
#if TARVO_WITH_SNAPSHOT
#include "snapshot/panel_snapshot.h"
#endif

namespace {

using namespace tarvo;
namespace fc = render::format_code;

bool stderrIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(2) != 0;
#endif
}

// A user error: printed as "tarvo-render: <message>", exit status 1.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string dB(double linear) {
  if (!(linear > 0.0)) return "-inf";
  return params::fixedText(20.0 * std::log10(linear), 1);
}

void printList() {
  std::cout << "Parameters (use --set \"NAME=VALUE\", or NAME=0.5n for a normalized value):\n";
  for (int i = 0; i < params::kNumParams; ++i) {
    if (params::displayKind[i] == params::DisplayKind::Nothing) continue;
    std::printf("  %-13s %s\n", params::paramNames[i], params::describeRange(i).c_str());
  }
  std::cout << "\nPrograms (use --program NUMBER or --program NAME):\n";
  for (int p = 0; p < params::kNumPrograms; ++p) {
    std::printf("  %2d  %s\n", p, params::factoryProgramNames[p]);
  }
}

std::string programList() {
  std::string out;
  for (int p = 0; p < params::kNumPrograms; ++p) {
    out += "\n  " + std::to_string(p) + "  " + params::factoryProgramNames[p];
  }
  return out;
}

std::string parameterList() {
  std::string out;
  for (int i = 0; i < params::kNumParams; ++i) {
    if (params::displayKind[i] == params::DisplayKind::Nothing) continue;
    out += std::string(out.empty() ? "" : ", ") + params::paramNames[i];
  }
  return out;
}

render::RenderSettings parseSettings(const std::string& programText,
                                     const std::vector<std::string>& sets, int blockSize) {
  render::RenderSettings settings;
  settings.blockSize = blockSize;
  if (!programText.empty()) {
    settings.program = params::findProgram(programText);
    if (!settings.program) {
      throw UsageError("unknown program '" + programText + "'; the programs are:" + programList());
    }
  }
  for (const std::string& set : sets) {
    const auto eq = set.find('=');
    if (eq == std::string::npos) {
      throw UsageError("--set needs NAME=VALUE, got '" + set + "'");
    }
    const std::string name = set.substr(0, eq);
    const auto index = params::findParameter(name);
    if (!index || params::displayKind[*index] == params::DisplayKind::Nothing) {
      throw UsageError("unknown parameter '" + name + "'; the parameters are: " + parameterList());
    }
    const params::ParsedValue value = params::parseValue(*index, set.substr(eq + 1));
    if (!value.ok) throw UsageError(value.error);
    settings.values.emplace_back(*index, value.value);
  }
  return settings;
}

// A progress bar on stderr, redrawn at most once per percent.
class ProgressBar {
 public:
  explicit ProgressBar(int64_t total) : total_(total), enabled_(stderrIsTerminal() && total > 0) {}
  void operator()(int64_t done) {
    if (!enabled_) return;
    const int percent = static_cast<int>(100 * done / total_);
    if (percent == shown_) return;
    shown_ = percent;
    const int width = 40;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(width - filled, '.').c_str(), percent);
    std::fflush(stderr);
  }
  ~ProgressBar() {
    if (enabled_ && shown_ >= 0) std::fprintf(stderr, "\r%60s\r", "");
  }

 private:
  int64_t total_;
  bool enabled_;
  int shown_ = -1;
};

void printSummary(const render::RenderStats& s) {
  std::string line = "Rendered " + params::fixedText(s.seconds, 2) + " s: in peak " + dB(s.inPeak) +
                     " dBFS, RMS " + dB(s.inRms) + " dBFS; out peak " + dB(s.outPeak) +
                     " dBFS, RMS " + dB(s.outRms) + " dBFS";
  if (s.metersAvailable) {
    line += "; gain reduction up to " + params::fixedText(-20.0 * std::log10(s.minGain), 1) +
            " dB, gain increase up to " + params::fixedText(20.0 * std::log10(s.maxGain), 1) +
            " dB";
  }
  if (s.wallSeconds > 0.0) {
    line += "; " + params::fixedText(s.seconds / s.wallSeconds, 0) + "x real time";
  }
  std::cout << line << "\n";
}

void warnAboutClipping(const render::RenderStats& s, const render::AudioFormat& format) {
  if (s.overFullScale == 0) return;
  if (format.isInteger()) {
    std::cerr << "warning: " << s.overFullScale
              << " output samples above full scale were clipped in the integer file (by up to "
              << dB(s.outPeak) << " dB); lower "
              << "\"Output Gain\" or write floating point with --format wavf\n";
  } else {
    std::cerr << "note: the output peaks at +" << dB(s.outPeak)
              << " dBFS; the floating-point file keeps it unclipped\n";
  }
}

int formatForNewFile(const std::string& path, const std::optional<int>& chosen) {
  if (chosen) return *chosen;
  std::string ext = render::utf8FromPath(render::pathFromUtf8(path).extension());
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".flac") return fc::kFlac | fc::kPcm24;
  if (ext == ".aif" || ext == ".aiff") return fc::kAiff | fc::kPcm24;
  if (ext == ".ogg") return fc::kOgg | fc::kVorbis;
  return fc::kWav | fc::kPcm24;
}

int run(const std::vector<std::string>& args) {
  CLI::App app{"tarvo-render: runs audio files through the Tarvo compressor/expander plug-in"};
  // The same options everywhere: on Windows "/path/song.wav" (Wine passes such paths) is a
  // file, not a "/option".
  app.allow_windows_style_options(false);
  std::string input, output, programText, formatName, demoOut;
  std::string pluginPath = render::defaultPluginPath();
  if (const char* env = std::getenv("TARVO_PLUGIN")) pluginPath = env;
  std::vector<std::string> sets;
  int blockSize = 512;
  bool list = false;
  app.add_option("input", input, "audio file to process (WAV, AIFF, FLAC, Ogg, ...)");
  app.add_option("output", output, "file to write (replaced only when the run succeeds)");
  app.add_option("-p,--program", programText, "factory program: number 0-24 or name");
  app.add_option("-s,--set", sets,
                 "NAME=VALUE in the units the editor shows (\"Threshold=-20\", \"Ratio=4:1\", "
                 "\"Release Type=Opto\"), or normalized with suffix n (Threshold=0.5n)")
      ->allow_extra_args(false);
  app.add_option("-b,--block", blockSize, "frames per processing block")
      ->check(CLI::Range(1, 65536));
  app.add_option("-f,--format", formatName,
                 "output format: " + render::formatNames() + " (default: as the input)");
  app.add_option("--demo", demoOut, "render the built-in drum-and-bass demo to this file");
  app.add_option("--plugin", pluginPath, "the plug-in binary to load")->capture_default_str();
  app.add_flag("-l,--list", list, "list the parameters with their ranges, and the programs");
  std::string snapshotPath, metersText;
  app.add_option("--snapshot", snapshotPath,
                 "write a PNG picture of the editor panel for --program and --set instead of "
                 "rendering audio");
  app.add_option("--meters", metersText,
                 "IN_DB,OUT_DB,GAIN_DB: steady levels the snapshot's meters show (default: "
                 "silence)");
  try {
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (list) {
    printList();
    return 0;
  }

  if (!snapshotPath.empty()) {
#if !TARVO_WITH_SNAPSHOT
    throw UsageError(
        "--snapshot is not available in this build (it has no PNG writer); use the "
        "Linux tarvo-render for pictures of the editor");
#else
    if (!input.empty() || !output.empty() || !demoOut.empty()) {
      throw UsageError(
          "--snapshot takes no audio files; give --snapshot PNG with --program, "
          "--set and --meters only");
    }
    const render::RenderSettings chosen = parseSettings(programText, sets, blockSize);
    snapshot::PanelSettings panel;
    panel.program = chosen.program.value_or(0);
    panel.values = chosen.values;
    if (!metersText.empty()) {
      std::string error;
      panel.meters = snapshot::ParseMeterLevels(metersText, error);
      if (!panel.meters) throw UsageError(error);
    }
    snapshot::WritePng(snapshot::RenderPanel(panel), snapshotPath);
    std::cout << "Wrote " << snapshotPath << "\n";
    return 0;
#endif
  }
  if (!metersText.empty()) throw UsageError("--meters goes with --snapshot");

  std::optional<int> chosenFormat;
  if (!formatName.empty()) {
    chosenFormat = render::formatFromName(formatName);
    if (!chosenFormat) {
      throw UsageError("unknown format '" + formatName + "'; choose one of " +
                       render::formatNames());
    }
  }
  const bool demo = !demoOut.empty();
  if (demo && (!input.empty() || !output.empty())) {
    throw UsageError("--demo takes no input file; give either --demo OUT or INPUT OUTPUT");
  }
  if (!demo && (input.empty() || output.empty())) {
    throw UsageError("give an input and an output file (or --demo OUT); see --help");
  }
  if (demo) {
    output = demoOut;
    // Unless told otherwise, the demo shows the compressor working clearly: "Mix Down"
    // with the threshold lowered and the make-up trimmed to stay below full scale.
    if (programText.empty() && sets.empty()) {
      programText = "Mix Down";
      sets = {"Threshold=-24", "Output Gain=-6"};
      std::cout << "Demo: program \"Mix Down\" with Threshold -24 dB, Output Gain -6 dB\n";
    }
  }
  render::RenderSettings settings = parseSettings(programText, sets, blockSize);

  // The input first: a wrong path is the most common mistake.
  std::optional<render::SoundFileReader> reader;
  render::StereoSignal demoSignal;
  render::AudioFormat inFormat;
  int64_t totalFrames = 0;
  if (demo) {
    demoSignal = render::makeDemoSignal();
    inFormat = {fc::kWav | fc::kFloat, 2, demoSignal.sampleRate};
    totalFrames = demoSignal.frames();
  } else {
    std::error_code ec;
    const std::filesystem::path inPath = render::pathFromUtf8(input);
    const std::filesystem::path outPath = render::pathFromUtf8(output);
    if (std::filesystem::exists(outPath, ec) && std::filesystem::equivalent(inPath, outPath, ec)) {
      throw UsageError("the output '" + output + "' is the input file; choose another name");
    }
    reader.emplace(input);
    inFormat = reader->format();
    totalFrames = reader->frames();
    if (inFormat.channels < 1 || inFormat.channels > 2) {
      throw UsageError("'" + input + "' has " + std::to_string(inFormat.channels) +
                       " channels; Tarvo processes mono and stereo files only");
    }
  }
  render::AudioFormat outFormat = inFormat;
  outFormat.sndfileFormat =
      demo ? formatForNewFile(output, chosenFormat) : chosenFormat.value_or(inFormat.sndfileFormat);

  host::PluginLibrary library(pluginPath);
  host::PluginInstance plugin(library);
  if (plugin.effect() == nullptr) throw std::runtime_error("the plug-in declined to start");

  render::SoundFileWriter writer(output, outFormat);
  int64_t demoPosition = 0;
  render::ReadFrames read = [&](float* buffer, int64_t frames) -> int64_t {
    if (reader) return reader->read(buffer, frames);
    const int64_t n = std::min<int64_t>(frames, demoSignal.frames() - demoPosition);
    std::copy_n(demoSignal.interleaved.data() + 2 * demoPosition, 2 * n, buffer);
    demoPosition += n;
    return n;
  };
  ProgressBar bar(totalFrames);
  const render::RenderStats stats = render::renderThrough(
      plugin, settings, inFormat.sampleRate, inFormat.channels, read,
      [&](const float* buffer, int64_t frames) { writer.write(buffer, frames); },
      [&](int64_t done) { bar(done); });
  writer.commit();
  warnAboutClipping(stats, outFormat);
  printSummary(stats);
  if (demo) std::cout << "Wrote " << output << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(render::utf8Arguments(argc, argv));
  } catch (const std::exception& e) {
    std::cerr << "tarvo-render: " << e.what() << "\n";
    return 1;
  }
}
