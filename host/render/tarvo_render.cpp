// tarvo-render: runs audio files through the built Tarvo plug-in, loaded through the VST 2
// binary interface exactly as a host loads it. The Windows build reads and writes WAV files
// only and has no --snapshot (no PNG writer or editor link there).
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "params/factory_presets.h"
#include "params/number_text.h"
#include "params/param_table.h"
#include "params/value_parse.h"
#include "render/batch.h"
#include "render/cli_status.h"
#include "render/demo_signal.h"
#if TARVO_WITH_LOUDNESS
#include "render/loudness.h"
#endif
#include "render/native_file.h"
#include "render/plugin_location.h"
#include "render/render_job.h"
#include "render/render_report.h"
#include "render/sound_file.h"
#include "render/utf8_args.h"
#include "vsthost/vst_host.h"
#if TARVO_WITH_SNAPSHOT
#include "snapshot/panel_snapshot.h"
#include "snapshot/render_plot.h"
#endif

namespace {

using namespace tarvo;
namespace fc = render::format_code;

// A mistake in the command line: printed as "tarvo-render: <message>", exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void printList() {
  std::cout << "Parameters (use --set \"NAME=VALUE\", or NAME=0.5n for a normalized value):\n";
  for (int i = 0; i < params::kNumParams; ++i) {
    if (params::kParams[i].kind == params::DisplayKind::Nothing) continue;
    std::printf("  %-13s %s\n", params::kParams[i].name, params::describeRange(i).c_str());
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
    if (params::kParams[i].kind == params::DisplayKind::Nothing) continue;
    out += std::string(out.empty() ? "" : ", ") + params::kParams[i].name;
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
    if (!index || params::kParams[*index].kind == params::DisplayKind::Nothing) {
      throw UsageError("unknown parameter '" + name + "'; the parameters are: " + parameterList());
    }
    const params::ParsedValue value = params::parseValue(*index, set.substr(eq + 1));
    if (!value.ok) throw UsageError(value.error);
    settings.values.emplace_back(*index, value.value);
  }
  return settings;
}

// The --format name as a format code; a usage error for an unknown name.
std::optional<int> chosenFormatOf(const std::string& formatName) {
  if (formatName.empty()) return std::nullopt;
  const std::optional<int> format = render::formatFromName(formatName);
  if (!format) {
    throw UsageError("unknown format '" + formatName + "'; choose one of " + render::formatNames());
  }
  return format;
}

// Several inputs into a folder (--out-dir): each one rendered by this program on its own,
// `jobs` at a time, with the same settings.
int runMany(const std::vector<std::string>& inputs, const std::string& outDir,
            const std::string& suffix, int jobs, bool json, const std::string& programText,
            const std::vector<std::string>& sets, int blockSize, const std::string& formatName,
            const std::string& pluginPath, const std::optional<uint32_t>& seed, bool noLoudness,
            bool otherMode) {
  if (otherMode)
    throw UsageError("--out-dir renders input files; it does not go with --demo or --snapshot");
  if (inputs.empty()) throw UsageError("give the input files to render into '" + outDir + "'");
  parseSettings(programText, sets, blockSize);  // the settings' mistakes once, not per file
  std::optional<std::string> extension;
  if (const std::optional<int> format = chosenFormatOf(formatName)) {
    extension = render::extensionOf(*format);
  }
  std::error_code ec;
  const std::filesystem::path folder = render::pathFromUtf8(outDir);
  if (!std::filesystem::is_directory(folder, ec)) {
    if (std::filesystem::exists(folder, ec)) {
      throw UsageError("--out-dir '" + outDir + "' is not a folder");
    }
    if (!std::filesystem::create_directory(folder, ec)) {
      throw std::runtime_error("cannot make the folder '" + outDir + "': " + ec.message());
    }
  }
  std::vector<render::BatchJob> plan;
  try {
    plan = render::planBatch(inputs, outDir, suffix, extension);
  } catch (const std::invalid_argument& e) {
    throw UsageError(e.what());
  }
  std::vector<std::string> options{"--block", std::to_string(blockSize), "--plugin", pluginPath};
  if (!programText.empty()) options.insert(options.end(), {"--program", programText});
  for (const std::string& set : sets) options.insert(options.end(), {"--set", set});
  if (!formatName.empty()) options.insert(options.end(), {"--format", formatName});
  if (seed) options.insert(options.end(), {"--seed", std::to_string(*seed)});
  if (noLoudness) options.push_back("--no-loudness");
  const auto start = std::chrono::steady_clock::now();
  const int failed = render::runBatch(render::ownProgramPath(), options, plan, jobs, json);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  (json ? std::cerr : std::cout) << "Rendered " << plan.size() - static_cast<size_t>(failed)
                                 << " of " << plan.size() << " files into " << outDir << " in "
                                 << params::fixedText(wall, 1) << " s (" << jobs << " at a time)"
                                 << (failed ? "; " + std::to_string(failed) + " failed" : "")
                                 << "\n";
  return failed ? render::kExitFailure : render::kExitSuccess;
}

int run(const std::vector<std::string>& args) {
  CLI::App app{"tarvo-render: runs audio files through the Tarvo compressor/expander plug-in"};
  // The same options everywhere: on Windows "/path/song.wav" (Wine passes such paths) is a
  // file, not a "/option".
  app.allow_windows_style_options(false);
  render::addVersionFlag(app, "tarvo-render");
  std::string input, output, programText, formatName, demoOut, outDir, suffix;
  std::vector<std::string> files;
  int jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  std::string pluginPath = render::defaultPluginPath();
  if (const char* env = std::getenv("TARVO_PLUGIN")) pluginPath = env;
  std::vector<std::string> sets;
  int blockSize = 512;
  bool list = false;
  std::optional<uint32_t> seed;
  bool json = false, noLoudness = false;
  app.add_option("files", files,
                 "INPUT OUTPUT: the audio file to process (WAV, AIFF, FLAC, Ogg, ...) and the "
                 "file to write (replaced only when the run succeeds); with --out-dir, any "
                 "number of inputs");
  app.add_option("-o,--out-dir", outDir,
                 "render every input into this folder, under its own name (see --suffix)");
  app.add_option("--suffix", suffix, "with --out-dir: added to each name (\"song-tarvo.wav\")");
  app.add_option("-j,--jobs", jobs, "with --out-dir: files rendered at once (default: the cores)")
      ->check(CLI::Range(1, 256));
  app.add_option("-p,--program", programText, "factory program: number 0-24 or name");
  app.add_option("-s,--set", sets,
                 "NAME=VALUE in the units the editor shows (\"Threshold=-20\", \"Ratio=4:1\", "
                 "\"Release Type=Opto\"), or normalized with suffix n (Threshold=0.5n)")
      ->allow_extra_args(false);
  app.add_option("-b,--block", blockSize, "frames per processing block")
      ->check(CLI::Range(1, 65536));
  app.add_option("-f,--format", formatName,
                 "output format: " + render::formatNames() +
                     " (default: from the output's extension, with the input's sample type)");
  app.add_option("--demo", demoOut, "render the built-in drum-and-bass demo to this file");
  app.add_option("--seed", seed,
                 "seed of the dither noise (0 to 4294967295): renders with the same seed and "
                 "settings are identical to the bit (default: a new seed each run)");
  app.add_flag("--json", json,
               "print the summary as one JSON object on standard output (messages go to "
               "standard error)");
#if TARVO_WITH_LOUDNESS
  app.add_flag("--no-loudness", noLoudness,
               "skip the loudness figures (EBU R128), for the fastest render");
#else
  (void)noLoudness;  // this build measures no loudness
#endif
  app.add_option("--plugin", pluginPath, "the plug-in binary to load")->capture_default_str();
  app.add_flag("-l,--list", list, "list the parameters with their ranges, and the programs");
  std::string snapshotPath, metersText, plotPath;
  app.add_option("--snapshot", snapshotPath,
                 "write a PNG picture of the editor panel for --program and --set instead of "
                 "rendering audio");
#if TARVO_WITH_SNAPSHOT
  app.add_option("--plot", plotPath,
                 "also draw the levels and the gain change over the whole file into this PNG");
#endif
  app.add_option("--meters", metersText,
                 "IN_DB,OUT_DB,GAIN_DB: steady levels the snapshot's meters show (default: "
                 "silence)");
  try {
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return render::statusAfterParse(app, e);
  }
  // A setting given without -s would otherwise become a file name ("Ratio=4:1").
  for (const std::string& name : files) {
    const auto eq = name.find('=');
    if (eq != std::string::npos && params::findParameter(name.substr(0, eq))) {
      throw UsageError("'" + name + "' looks like a setting; give it with --set \"" + name + "\"");
    }
  }
  if (outDir.empty()) {
    if (!suffix.empty()) throw UsageError("--suffix goes with --out-dir");
    if (files.size() > 2) {
      throw UsageError(
          "more than an input and an output: to render several files, give "
          "--out-dir FOLDER");
    }
    if (!files.empty()) input = files[0];
    if (files.size() == 2) output = files[1];
  } else {
    return runMany(files, outDir, suffix, jobs, json, programText, sets, blockSize, formatName,
                   pluginPath, seed, noLoudness, !demoOut.empty() || !snapshotPath.empty());
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

  const std::optional<int> chosenFormat = chosenFormatOf(formatName);
  const bool demo = !demoOut.empty();
  if (demo && (!input.empty() || !output.empty())) {
    throw UsageError("--demo takes no input file; give either --demo OUT or INPUT OUTPUT");
  }
  if (!demo && (input.empty() || output.empty())) {
    throw UsageError("give an input and an output file (or --demo OUT); see --help");
  }
  if (demo) {
    output = demoOut;
    // The demo shows the compressor working clearly: "Mix Down" with the threshold lowered
    // and the make-up trimmed to stay below full scale. -p replaces the program, -s goes on
    // top of the demo's settings.
    const bool ownProgram = !programText.empty();
    sets.insert(sets.begin(), {"Threshold=-24", "Output Gain=-6"});
    if (!ownProgram) programText = "Mix Down";
    (json ? std::cerr : std::cout)
        << "Demo: program \"" << programText << "\"" << (ownProgram ? " (yours)" : "")
        << " with the demo's Threshold -24 dB and Output Gain -6 dB"
        << (sets.size() > 2 ? ", then your settings" : "") << "\n";
  }
  render::RenderSettings settings = parseSettings(programText, sets, blockSize);
  settings.noiseSeed = seed;

  // The input first: a wrong path is the most common mistake.
  std::optional<render::SoundFileReader> reader;
  std::optional<render::DemoSource> demoSource;  // made as the render asks for it
  render::AudioFormat inFormat;
  int64_t totalFrames = 0;
  if (demo) {
    demoSource.emplace();
    inFormat = {fc::kWav | fc::kFloat, 2, demoSource->sampleRate()};
    totalFrames = demoSource->frames();
  } else {
    std::error_code ec;
    const std::filesystem::path inPath = render::pathFromUtf8(input);
    const std::filesystem::path outPath = render::pathFromUtf8(output);
    if (std::filesystem::exists(outPath, ec) && std::filesystem::equivalent(inPath, outPath, ec)) {
      throw UsageError("the output '" + output + "' is the input file; choose another name");
    }
    if (std::filesystem::is_directory(inPath, ec)) {
      throw std::runtime_error("cannot read input '" + input +
                               "': it is a folder; give the name of an audio file in it");
    }
    reader.emplace(input);
    inFormat = reader->format();
    totalFrames = reader->frames();
    if (inFormat.channels < 1 || inFormat.channels > 2) {
      throw std::runtime_error("'" + input + "' has " + std::to_string(inFormat.channels) +
                               " channels; Tarvo processes mono and stereo files only");
    }
  }
  // The format: --format, else the output's extension with the input's sample type (the
  // demo's is 24-bit PCM).
  render::AudioFormat outFormat = inFormat;
  if (chosenFormat) {
    outFormat.sndfileFormat = *chosenFormat;
  } else {
    render::AudioFormat like = inFormat;
    if (demo) like.sndfileFormat = fc::kWav | fc::kPcm24;
    const std::optional<int> named = render::formatForFileName(output, like);
    if (!named) {
      throw UsageError("cannot tell the format of '" + output + "' from its extension; name it " +
                       render::extensionNames() + ", or choose one with --format (" +
                       render::formatNames() + ")");
    }
    outFormat.sndfileFormat = *named;
  }

  host::PluginLibrary library(pluginPath);
  host::PluginInstance plugin(library);
  if (plugin.effect() == nullptr) throw std::runtime_error("the plug-in declined to start");

  render::SoundFileWriter writer(output, outFormat);
  render::ReadFrames read = [&](float* buffer, int64_t frames) -> int64_t {
    if (reader) return reader->read(buffer, frames);
    return demoSource->read(buffer, static_cast<long>(frames));
  };
  // With --json, standard output carries the JSON object only; with "-" as the output, the
  // audio only.
  const bool audioOut = output == "-";
  std::ostream& say = json || audioOut ? std::cerr : std::cout;
  const std::string unchanged = render::unchangedSoundNote(settings);
  if (!unchanged.empty()) say << unchanged << "\n";
  render::ProgressBar bar(totalFrames);
  render::RenderIo io;
  io.read = read;
  io.write = [&](const float* buffer, int64_t frames) { writer.write(buffer, frames); };
  // The lossy encoders' output depends on how the audio is handed to them: they get it
  // block by block, as they always have. Samples stored as they are go in large writes.
  const int encoding = outFormat.sndfileFormat & fc::kSubMask;
  io.writeBlockByBlock =
      encoding == fc::kVorbis || encoding == fc::kOpus || encoding == fc::kMpegLayer3;
  io.progress = [&](int64_t done) { bar(done); };
#if TARVO_WITH_LOUDNESS
  std::optional<render::LoudnessAnalysis> loudness;
  if (!noLoudness) {
    loudness.emplace(inFormat.channels, inFormat.sampleRate);
    io.analyse = [&](const float* in, const float* out, int64_t frames) {
      loudness->add(in, out, frames);
    };
  }
#endif
#if TARVO_WITH_SNAPSHOT
  std::optional<snapshot::RenderTrace> trace;
  if (!plotPath.empty()) {
    trace.emplace(inFormat.sampleRate, std::max(1, inFormat.sampleRate / 100));
    io.observe = [&](const float* in, const float* out, int64_t frames, double low, double high) {
      trace->add(in, out, frames, inFormat.channels, low, high);
    };
  }
#endif
  render::RenderStats stats =
      render::renderThrough(plugin, settings, inFormat.sampleRate, inFormat.channels, io);
#if TARVO_WITH_LOUDNESS
  if (loudness) std::tie(stats.inLoudness, stats.outLoudness) = loudness->finish();
#endif
  writer.commit();
  bar.finish();
#if TARVO_WITH_SNAPSHOT
  if (trace) {
    const std::string title =
        "tarvo-render " + (demo ? std::string("demo") : input) + " -> " + output;
    snapshot::WritePng(snapshot::DrawRenderPlot(*trace, title), plotPath);
  }
#endif
  const bool truncated = reader && reader->looksTruncated();
  if (reader && stats.frames == 0) {
    std::cerr << "warning: '" << input << "' holds no audio; the output is empty\n";
  } else if (truncated) {
    std::cerr << "warning: '" << input
              << "' looks truncated (its header promises more audio than the file holds); "
                 "the output has what was there\n";
  }
  if (writer.otherLinks() > 0) {
    std::cerr << "note: '" << output << "' had " << writer.otherLinks()
              << " other name(s) (hard links); they still show the file as it was\n";
  }
  const std::string clipping = render::clippingMessage(stats, outFormat);
  if (!clipping.empty()) std::cerr << clipping << "\n";
  if (json) {
    render::RenderFacts facts{demo ? "" : input, output, inFormat, outFormat, truncated};
    (audioOut ? std::cerr : std::cout) << render::summaryJson(stats, facts) << std::endl;
  } else {
    say << render::summaryText(stats);
    if (!plotPath.empty()) say << "Drew " << plotPath << "\n";
    say << "Wrote " << (audioOut ? "standard output" : output) << "\n";
  }
  return render::kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(render::utf8Arguments(argc, argv));
  } catch (const UsageError& e) {
    std::cerr << "tarvo-render: " << e.what() << "\n";
    return render::kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "tarvo-render: " << e.what() << "\n";
    return render::kExitFailure;
  }
}
