// tarvo-info [--tsv] [PLUGIN.so]: loads the plug-in through the VST 2 interface and prints
// what a host sees: identity, channel counts, the parameters with their display texts and the
// programs.
//
// Without --tsv the output is for people. With --tsv it is for scripts: one fact a line,
// fields separated by tabs, the record's kind first (tabs and line breaks inside a text
// become spaces, so a field never splits):
//
//   identity  NAME VENDOR PRODUCT ID4 ID VERSION INPUTS OUTPUTS PARAMS PROGRAMS
//   param     INDEX NAME UNIT MIN MAX TEXT0 TEXT1 VALUE         one line per parameter
//   program   INDEX NAME                                        one line per program
//
// ID4 is the unique id as its four characters and ID the same id as the decimal integer the
// AEffect record holds (what hosts such as Ardour key their plug-in lists on). For each
// parameter, TEXT0 and TEXT1 are the plug-in's display texts at the normalized values 0 and
// 1, VALUE is the normalized value after loading (printed with 9 significant digits), and
// UNIT is the plug-in's label for the parameter or, when the label is empty, the unit after
// the number in the display texts ("-40.0 dB" gives "dB"). MIN and MAX are the numbers that
// TEXT0 and TEXT1 show, when both are a number followed by the same unit or by nothing;
// otherwise both are empty (switches, selectors, ratios). Reading TEXT0 and TEXT1 sets the
// parameter on this throw-away instance and puts the loaded value back afterwards.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

#include "vsthost/vst_host.h"

using tarvo::host::PluginInstance;
using tarvo::host::PluginLibrary;
namespace vst = tarvo::vst;

namespace {

// The usage text after its first two lines (which name the default plug-in).
constexpr const char* kUsageOptions =
    "  --tsv      tab-separated lines for scripts instead of the text for people:\n"
    "               identity NAME VENDOR PRODUCT ID4 ID VERSION INPUTS OUTPUTS PARAMS PROGRAMS\n"
    "               param INDEX NAME UNIT MIN MAX TEXT0 TEXT1 VALUE   (one per parameter)\n"
    "               program INDEX NAME                                (one per program)\n"
    "             ID4: the unique id as four characters; ID: the same as an integer.\n"
    "             TEXT0, TEXT1: the display texts at the normalized values 0 and 1;\n"
    "             MIN, MAX: their numbers (empty unless both are numbers, same unit);\n"
    "             UNIT: the parameter's label, else the unit after the displayed number;\n"
    "             VALUE: the normalized value after loading.\n"
    "  --version, --help\n";

// A text as one TSV field: tabs and line breaks would end the field or the record.
std::string field(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

// A display text read as "<number>" or "<number> <unit>".
struct Reading {
  double number;
  std::string unit;
};

std::optional<Reading> readNumber(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double number = std::strtod(begin, &end);
  if (end == begin) return std::nullopt;
  std::string rest(end);
  if (!rest.empty() && rest[0] != ' ') return std::nullopt;  // "1:2", "4x" and the like
  const size_t first = rest.find_first_not_of(' ');
  if (first == std::string::npos) return Reading{number, ""};
  const size_t last = rest.find_last_not_of(' ');
  std::string unit = rest.substr(first, last - first + 1);
  if (unit.find(' ') != std::string::npos) return std::nullopt;  // words, not a unit
  return Reading{number, unit};
}

std::string numberField(double x) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", x);
  return buffer;
}

// One TSV record: the kind and its fields, tab-separated, on one line.
template <typename... Fields>
void record(const char* kind, const Fields&... fields) {
  std::string line(kind);
  ((line.append(1, '\t'), line.append(fields)), ...);
  line.append(1, '\n');
  std::fputs(line.c_str(), stdout);
}

void printTsv(PluginInstance& plugin) {
  vst::AEffect* e = plugin.effect();
  const int32_t id = e->uniqueID;
  const char id4[5] = {char(id >> 24), char(id >> 16), char(id >> 8), char(id), '\0'};
  record("identity", field(plugin.effectName()), field(plugin.vendorString()),
         field(plugin.productString()), field(id4), std::to_string(id), std::to_string(e->version),
         std::to_string(e->numInputs), std::to_string(e->numOutputs), std::to_string(e->numParams),
         std::to_string(e->numPrograms));
  for (int i = 0; i < e->numParams; ++i) {
    const float loaded = plugin.getParameter(i);
    plugin.setParameter(i, 0.0f);
    const std::string text0 = plugin.parameterDisplay(i);
    plugin.setParameter(i, 1.0f);
    const std::string text1 = plugin.parameterDisplay(i);
    plugin.setParameter(i, loaded);

    const std::optional<Reading> low = readNumber(text0);
    const std::optional<Reading> high = readNumber(text1);
    const bool numeric = low && high && low->unit == high->unit;
    std::string unit = plugin.parameterLabel(i);
    if (unit.empty() && numeric) unit = low->unit;
    record("param", std::to_string(i), field(plugin.parameterName(i)), field(unit),
           numeric ? numberField(low->number) : std::string(),
           numeric ? numberField(high->number) : std::string(), field(text0), field(text1),
           numberField(double(loaded)));
  }
  for (int i = 0; i < e->numPrograms; ++i) {
    record("program", std::to_string(i), field(plugin.programNameIndexed(i)));
  }
}

void printText(PluginInstance& plugin) {
  vst::AEffect* e = plugin.effect();
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
}

}  // namespace

int main(int argc, char** argv) {
  const std::string first = argc >= 2 ? argv[1] : "";
  if (argc == 2 && first == "--version") {
    std::printf("tarvo-info %s (Tarvo by Velmora Audio)\n", TARVO_VERSION);
    return 0;
  }
  const bool help = argc == 2 && (first == "--help" || first == "-h");
  bool tsv = false;
  std::string path;
  bool usageError = false;
  for (int i = 1; i < argc && !help; ++i) {
    const std::string arg = argv[i];
    if (arg == "--tsv" && !tsv) {
      tsv = true;
    } else if (arg.empty() || arg[0] == '-' || !path.empty()) {
      usageError = true;
    } else {
      path = arg;
    }
  }
  if (help || usageError) {
    std::FILE* out = help ? stdout : stderr;
    std::fprintf(out, "usage: tarvo-info [--tsv] [PLUGIN]\n  default PLUGIN: %s\n",
                 TARVO_DEFAULT_PLUGIN);
    std::fputs(kUsageOptions, out);
    return help ? 0 : 2;
  }
  if (path.empty()) path = TARVO_DEFAULT_PLUGIN;
  try {
    PluginLibrary library(path);
    PluginInstance plugin(library);
    if (plugin.effect() == nullptr) {
      std::fprintf(stderr, "tarvo-info: the plug-in declined to start (entry returned null)\n");
      return 1;
    }
    if (tsv) {
      printTsv(plugin);
    } else {
      printText(plugin);
    }
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarvo-info: %s\n", error.what());
    return 1;
  }
}
