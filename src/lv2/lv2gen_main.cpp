// tarvo-lv2gen: writes manifest.ttl, tarvo.ttl and presets.ttl of the LV2 bundle into the
// folder given on the command line; with --with-ui they also declare the editor UI, which
// the build passes only when it builds the UI binary. Run by the build; the files are
// never edited by hand.
#include <fstream>
#include <iostream>
#include <string>

#include "lv2/lv2_turtle.h"

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

}  // namespace

int main(int argc, char** argv) {
  const bool withUi = argc == 3 && std::string(argv[2]) == "--with-ui";
  if (argc != 2 && !withUi) {
    std::cerr << "usage: tarvo-lv2gen BUNDLE_DIR [--with-ui]\n";
    return 2;
  }
  const std::string dir = argv[1];
  const bool ok = writeFile(dir + "/manifest.ttl", tarvo::lv2::manifestTurtle(withUi)) &&
                  writeFile(dir + "/tarvo.ttl", tarvo::lv2::pluginTurtle(withUi)) &&
                  writeFile(dir + "/" + tarvo::lv2::kPresetsFile, tarvo::lv2::presetsTurtle());
  return ok ? 0 : 1;
}
