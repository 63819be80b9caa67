// tarvo-lv2gen: writes manifest.ttl, tarvo.ttl and presets.ttl of the LV2 bundle into the
// folder given on the command line; with --with-ui they also declare the editor UI, which
// the build passes only when it builds the UI binary. Run by the build; the files are
// never edited by hand.
//   tarvo-lv2gen --controls N   prints "symbol value" of every control port for factory
//                               program N (0..24), for hosts that take settings one by one
#include <charconv>
#include <fstream>
#include <iostream>
#include <string>

#include "lv2/lv2_ports.h"
#include "lv2/lv2_turtle.h"
#include "params/factory_presets.h"

namespace {

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) {
    std::cerr << "tarvo-lv2gen: cannot write " << path << "\n";
    return false;
  }
  return true;
}

// The port values of factory program `text` (a number 0..24), one "symbol value" line per
// control port, each value the shortest text that reads back as the same float.
int printControls(const std::string& text) {
  int program = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), program);
  if (error != std::errc() || end != text.data() + text.size() || program < 0 ||
      program >= tarvo::params::kNumPrograms) {
    std::cerr << "tarvo-lv2gen: no factory program '" << text << "' (0.."
              << tarvo::params::kNumPrograms - 1 << ")\n";
    return 2;
  }
  for (const int param : tarvo::lv2::controlParams) {
    const float value = tarvo::lv2::portValue(param, tarvo::params::factoryPresets[program][param]);
    char number[32] = {};
    const auto written = std::to_chars(number, number + sizeof number, value);
    std::cout << tarvo::lv2::portSymbol(param) << ' ' << std::string(number, written.ptr) << '\n';
  }
  return std::cout.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--controls") return printControls(argv[2]);
  const bool withUi = argc == 3 && std::string(argv[2]) == "--with-ui";
  if (argc != 2 && !withUi) {
    std::cerr << "usage: tarvo-lv2gen BUNDLE_DIR [--with-ui] | --controls PROGRAM\n";
    return 2;
  }
  const std::string dir = argv[1];
  const bool ok = writeFile(dir + "/manifest.ttl", tarvo::lv2::manifestTurtle(withUi)) &&
                  writeFile(dir + "/tarvo.ttl", tarvo::lv2::pluginTurtle(withUi)) &&
                  writeFile(dir + "/" + tarvo::lv2::kPresetsFile, tarvo::lv2::presetsTurtle());
  return ok ? 0 : 1;
}
