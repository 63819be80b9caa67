// Reads the generated Turtle with lilv, as LV2 hosts do, and checks it against the
// parameter table and the factory programs.
#include "lv2/lv2_turtle.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/presets/presets.h>
#include <lv2/ui/ui.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "lv2/lv2_ports.h"
#include "params/display_text.h"
#include "params/factory_presets.h"

namespace tarvo::lv2 {
namespace {

using params::factoryPresets;
using params::kParams;

// A lilv world holding one bundle, and Tarvo's plug-in in it.
class Lv2World : public ::testing::Test {
 protected:
  void TearDown() override {
    for (LilvNode* n : owned) lilv_node_free(n);  // before the world that holds them
    lilv_world_free(world);
  }

  void load(const std::string& bundleDir) {
    lilv_world_load_bundle(world,
                           own(lilv_new_file_uri(world, nullptr, (bundleDir + "/").c_str())));
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), node(kPluginUri));
    ASSERT_NE(plugin, nullptr) << "no plug-in " << kPluginUri << " in " << bundleDir;
  }

  // Keeps a node that lilv handed over until the end of the test.
  LilvNode* own(LilvNode* n) { return owned.emplace_back(n); }
  const LilvNode* node(const char* uri) { return own(lilv_new_uri(world, uri)); }
  std::string text(const LilvNode* subject, const char* predicate) {
    const LilvNode* value = own(lilv_world_get(world, subject, node(predicate), nullptr));
    return value != nullptr ? lilv_node_as_string(value) : "";
  }

  LilvWorld* world = lilv_world_new();
  std::vector<LilvNode*> owned;
  const LilvPlugin* plugin = nullptr;
};

TEST_F(Lv2World, ControlPortsAreTheParameterTableWithProgramZeroAsDefaults) {
  load(TARVO_LV2_BUNDLE);
  ASSERT_EQ(lilv_plugin_get_num_ports(plugin), kNumPorts);
  for (int k = 0; k < kNumControlPorts; ++k) {
    const int param = controlParams[k];
    SCOPED_TRACE(kParams[param].name);
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, kFirstControlPort + k);
    EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)),
                 portSymbol(param).c_str());
    EXPECT_STREQ(lilv_node_as_string(own(lilv_port_get_name(plugin, port))), kParams[param].name);
    LilvNode *initial = nullptr, *min = nullptr, *max = nullptr;
    lilv_port_get_range(plugin, port, &initial, &min, &max);
    EXPECT_EQ(lilv_node_as_float(own(initial)), portValue(param, factoryPresets[0][param]));
    EXPECT_EQ(lilv_node_as_float(own(min)), portRange(param).min);
    EXPECT_EQ(lilv_node_as_float(own(max)), portRange(param).max);

    const PortKind kind = portKind(param);
    EXPECT_EQ(lilv_port_has_property(plugin, port, node(LV2_CORE__toggled)),
              kind == PortKind::Toggle);
    EXPECT_EQ(lilv_port_has_property(plugin, port, node(LV2_CORE__enumeration)),
              kind == PortKind::Enumeration);
    // Scale points name every selector position; lilv gives them in no fixed order.
    std::map<float, std::string> labels;
    LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
    LILV_FOREACH(scale_points, i, points) {
      const LilvScalePoint* point = lilv_scale_points_get(points, i);
      labels[lilv_node_as_float(lilv_scale_point_get_value(point))] =
          lilv_node_as_string(lilv_scale_point_get_label(point));
    }
    lilv_scale_points_free(points);
    if (kind == PortKind::Enumeration) {
      const params::Selector selector = params::selectorOf(param);
      ASSERT_EQ(labels.size(), size_t(selector.count));
      for (int position = 0; position < selector.count; ++position) {
        EXPECT_EQ(labels[float(position)], selector.names[position]);
      }
    }
    // Any other scale point (the ratio's) is labelled as the editor shows its value.
    for (const auto& [value, label] : labels) {
      EXPECT_EQ(params::displayText(param, normalizedValue(param, value)), label) << value;
    }
  }
  // The meters follow in the order of the engine's readings.
  for (int meter = 0; meter < kNumMeterPorts; ++meter) {
    const LilvPort* port =
        lilv_plugin_get_port_by_symbol(plugin, own(lilv_new_string(world, meterSymbols[meter])));
    ASSERT_NE(port, nullptr) << meterSymbols[meter];
    EXPECT_EQ(lilv_port_get_index(plugin, port), kFirstMeterPort + meter);
    EXPECT_TRUE(lilv_port_is_a(plugin, port, node(LV2_CORE__OutputPort)));
  }
  // The bundle declares the editor UI exactly when the build makes its binary.
  LilvUIs* uis = lilv_plugin_get_uis(plugin);
  EXPECT_EQ(lilv_uis_size(uis), TARVO_LV2_WITH_UI ? 1u : 0u);
  lilv_uis_free(uis);
}

// A host that applies a preset sets each port to the value it reads; the store must then
// hold the program's normalized values to the bit, or the program would sound and recall
// different from the same program in the VST 2 effect.
TEST_F(Lv2World, PresetsAreTheFactoryProgramsBitForBit) {
  load(TARVO_LV2_BUNDLE);
  LilvNodes* presets = lilv_plugin_get_related(plugin, node(LV2_PRESETS__Preset));
  ASSERT_EQ(lilv_nodes_size(presets), size_t(params::kNumPrograms));
  lilv_nodes_free(presets);

  for (int p = 0; p < params::kNumPrograms; ++p) {
    SCOPED_TRACE("program " + std::to_string(p));
    const LilvNode* preset = node((kPresetUriPrefix + std::to_string(p)).c_str());
    ASSERT_GE(lilv_world_load_resource(world, preset), 0);
    EXPECT_EQ(text(preset, LILV_NS_RDFS "label"), params::factoryProgramNames[p]);
    std::map<std::string, float> values;
    LilvNodes* ports = lilv_world_find_nodes(world, preset, node(LV2_CORE__port), nullptr);
    LILV_FOREACH(nodes, i, ports) {
      const LilvNode* port = lilv_nodes_get(ports, i);
      const LilvNode* value = own(lilv_world_get(world, port, node(LV2_PRESETS__value), nullptr));
      EXPECT_TRUE(lilv_node_is_float(value));  // hosts read a decimal as a float
      values[text(port, LV2_CORE__symbol)] = lilv_node_as_float(value);
    }
    lilv_nodes_free(ports);
    ASSERT_EQ(values.size(), size_t(kNumControlPorts));
    for (const int param : controlParams) {
      const float port = values.at(portSymbol(param));
      EXPECT_EQ(normalizedValue(param, port), factoryPresets[p][param])
          << kParams[param].name << ", port value " << port;
    }
  }
}

// With the UI declared, a host finds the X11 editor, its binary, the features it needs
// and one float notification for each meter port.
TEST_F(Lv2World, UiDeclarationNamesTheEditorAndEveryMeter) {
  const std::filesystem::path dir = ::testing::TempDir() + "tarvo-ui-test.lv2";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "manifest.ttl") << manifestTurtle(true);
  std::ofstream(dir / "tarvo.ttl") << pluginTurtle(true);
  std::ofstream(dir / kPresetsFile) << presetsTurtle();
  load(dir.string());  // lilv reads tarvo.ttl when asked about the plug-in

  LilvUIs* uis = lilv_plugin_get_uis(plugin);
  const LilvUI* ui = lilv_uis_get_by_uri(uis, node(kUiUri));
  ASSERT_NE(ui, nullptr);
  EXPECT_TRUE(lilv_ui_is_a(ui, node(LV2_UI__X11UI)));
  const std::string binary = lilv_node_as_uri(lilv_ui_get_binary_uri(ui));
  EXPECT_TRUE(binary.ends_with(std::string("/") + kUiBinaryName)) << binary;
  const LilvNode* uri = lilv_ui_get_uri(ui);
  for (const char* feature : {LV2_UI__idleInterface, LV2_UI__parent}) {
    EXPECT_TRUE(lilv_world_ask(world, uri, node(LV2_CORE__requiredFeature), node(feature)));
  }
  std::set<std::string> notified;
  LilvNodes* notes = lilv_world_find_nodes(world, uri, node(LV2_UI__portNotification), nullptr);
  LILV_FOREACH(nodes, i, notes) {
    const LilvNode* note = lilv_nodes_get(notes, i);
    notified.insert(text(note, LV2_CORE__symbol));
    EXPECT_TRUE(lilv_world_ask(world, note, node(LV2_UI__plugin), node(kPluginUri)));
    EXPECT_TRUE(lilv_world_ask(world, note, node(LV2_UI__protocol), node(LV2_UI__floatProtocol)));
  }
  lilv_nodes_free(notes);
  lilv_uis_free(uis);
  EXPECT_EQ(notified, std::set<std::string>(meterSymbols, meterSymbols + kNumMeterPorts));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tarvo::lv2
