// Drives the built plug-in binary exactly as a host that only knows the VST 2 binary
// interface would: dlopen, main, and the five record entries.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "vsthost/vst_host.h"

namespace tarvo::host {
namespace {

using namespace tarvo::vst;

struct Call {
  AEffect* effect;
  int32_t opcode;
  int32_t index;
  VstIntPtr value;
  bool hadPointer;
  float opt;
};

class Abi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { library = new PluginLibrary(TARVO_PLUGIN_PATH); }
  static void TearDownTestSuite() {
    delete library;
    library = nullptr;
  }

  // A host callback that records every call and answers like a typical host.
  HostCallback recorder(VstIntPtr versionAnswer = 2400) {
    return [this, versionAnswer](AEffect* e, int32_t opcode, int32_t index, VstIntPtr value,
                                 void* ptr, float opt) -> VstIntPtr {
      calls.push_back({e, opcode, index, value, ptr != nullptr, opt});
      if (opcode == audioMasterVersion) return versionAnswer;
      return defaultHostAnswer(e, opcode, index, value, ptr, opt);
    };
  }

  static inline PluginLibrary* library = nullptr;
  std::vector<Call> calls;
};

TEST_F(Abi, RecordAsTheHostSeesIt) {
  PluginInstance plugin(*library, recorder());
  AEffect* e = plugin.effect();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->magic, fourCC("VstP"));
  EXPECT_EQ(e->numPrograms, 25);
  EXPECT_EQ(e->numParams, 25);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, 0x19);
  EXPECT_EQ(e->resvd1, 0);
  EXPECT_EQ(e->resvd2, 0);
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->uniqueID, 0x766D3771);
  EXPECT_EQ(e->version, 1);
  EXPECT_NE(e->object, nullptr);
  EXPECT_EQ(e->user, nullptr);
  EXPECT_NE(e->dispatcher, nullptr);
  EXPECT_NE(e->process, nullptr);
  EXPECT_NE(e->processReplacing, nullptr);
  EXPECT_NE(e->setParameter, nullptr);
  EXPECT_NE(e->getParameter, nullptr);
}

TEST_F(Abi, EntryAsksVersionThenVendorThenProductAndNothingElse) {
  PluginInstance plugin(*library, recorder());
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
  EXPECT_EQ(calls[0].effect, nullptr);
  EXPECT_FALSE(calls[0].hadPointer);
  EXPECT_EQ(calls[1].opcode, audioMasterGetVendorString);
  EXPECT_EQ(calls[2].opcode, audioMasterGetProductString);
  EXPECT_EQ(calls[1].effect, plugin.effect());
  EXPECT_TRUE(calls[1].hadPointer && calls[2].hadPointer);
}

TEST_F(Abi, HostVersionZeroGetsNoEffectAndNoFurtherCall) {
  PluginInstance plugin(*library, recorder(0));
  EXPECT_EQ(plugin.effect(), nullptr);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
}

TEST_F(Abi, IdentityParametersAndPrograms) {
  PluginInstance plugin(*library);
  EXPECT_EQ(plugin.effectName(), "Tarvo");
  EXPECT_EQ(plugin.vendorString(), "Velmora Audio");
  EXPECT_EQ(plugin.productString(), "Tarvo");
  const char* names[25] = {
      "Threshold", "Auto-Gain",   "Output Gain", "Ratio",        "Attack",
      "Release",   "Input Gain",  "Balance",     "Input Filter", "Release Type",
      "PDE Rate",  "PDE Time",    "Release2",    "Rel.2 Level",  "Knee",
      "Linearity", "Stereo Link", "Det. Filter", "Filter Freq.", "Det. EQ",
      "EQ Low",    "EQ Mid",      "EQ High",     "Reserved1",    "Reserved2"};
  // Program 0 "Full Reset" as the host shows it right after loading.
  const char* shown[25] = {"0.000 dB", "On",       "0.000 dB", "1:1",      "10.00 ms",
                           "158.1 ms", "0.000 dB", "0",        "Off",      "Classic",
                           "50.00 %",  "200.0 ms", "44.72 ms", "50.00 %",  "Hard",
                           "0.000 %",  "Highest",  "Off",      "1.000 Hz", "Off",
                           "0.000 dB", "0.000 dB", "0.000 dB", "",         ""};
  for (int i = 0; i < 25; ++i) {
    EXPECT_EQ(plugin.parameterName(i), names[i]);
    EXPECT_EQ(plugin.parameterDisplay(i), shown[i]) << names[i];
    EXPECT_EQ(plugin.parameterLabel(i), "");
  }
  bool ok = false;
  EXPECT_EQ(plugin.programNameIndexed(0, &ok), "Full Reset");
  EXPECT_TRUE(ok);
  EXPECT_EQ(plugin.programNameIndexed(19, &ok), "Pumper");
  EXPECT_EQ(plugin.programNameIndexed(24, &ok), "Your Sound Here");
  EXPECT_TRUE(ok);
  plugin.programNameIndexed(25, &ok);
  EXPECT_FALSE(ok);
}

TEST_F(Abi, ProgramsSwitchAndKeepEdits) {
  PluginInstance plugin(*library);
  plugin.dispatch(effSetProgram, 0, 3);
  EXPECT_EQ(plugin.dispatch(effGetProgram), 3);
  EXPECT_EQ(plugin.programName(), "Vocal");
  EXPECT_EQ(plugin.getParameter(4), 0.17f);
  plugin.setParameter(4, 0.6f);
  plugin.dispatch(effSetProgram, 0, 4);
  EXPECT_EQ(plugin.getParameter(4), 0.25f);
  plugin.dispatch(effSetProgram, 0, 3);
  EXPECT_EQ(plugin.getParameter(4), 0.6f);
  plugin.dispatch(effSetProgram, 0, 25);
  EXPECT_EQ(plugin.dispatch(effGetProgram), 3);
}

TEST_F(Abi, OpcodeAnswers) {
  PluginInstance plugin(*library);
  char text[256] = {};
  EXPECT_EQ(plugin.dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(plugin.dispatch(effGetVstVersion), 2300);
  EXPECT_EQ(plugin.dispatch(effGetVendorVersion), 0);
  EXPECT_EQ(plugin.dispatch(effGetVu), 0);
  EXPECT_EQ(plugin.dispatch(effCanBeAutomated, 0), 1);
  EXPECT_EQ(plugin.dispatch(effGetNumProgramCategories), 1);
  EXPECT_EQ(plugin.dispatch(effConnectInput, 1, 1), 1);
  EXPECT_EQ(plugin.dispatch(effConnectOutput, 0, 0), 1);
  EXPECT_EQ(plugin.dispatch(effSetBlockSizeAndSampleRate, 0, 128, nullptr, 48000.0f), 1);
  std::strcpy(text, "receiveVstMidiEvent");
  EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, text), -1);
  EXPECT_EQ(plugin.dispatch(effKeysRequired), 1);
  EXPECT_EQ(plugin.dispatch(effGetCurrentMidiProgram), -1);
  EXPECT_EQ(plugin.dispatch(effSetTotalSampleToProcess, 0, 777), 777);
  EXPECT_EQ(plugin.dispatch(effEditKeyDown, 'q', 0, nullptr, 0.0f), -1);
  EXPECT_EQ(plugin.dispatch(effGetPlugCategory), 0);
  EXPECT_EQ(plugin.dispatch(effGetChunk, 0, 0, text), 0);
  EXPECT_EQ(plugin.dispatch(effSetBypass, 0, 1), 0);
  EXPECT_EQ(plugin.dispatch(effGetTailSize), 0);
  VstPinProperties pin{};
  EXPECT_EQ(plugin.dispatch(effGetOutputProperties, 1, 0, &pin), 1);
  EXPECT_STREQ(pin.label, " 2");
  EXPECT_EQ(pin.flags, 3);
  ERect* rect = nullptr;
  EXPECT_EQ(plugin.dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right - rect->left, 645);
  EXPECT_EQ(rect->bottom - rect->top, 485);
  for (int opcode = 77; opcode < 200; ++opcode) EXPECT_EQ(plugin.dispatch(opcode, 0, 0, text), 0);
  EXPECT_EQ(plugin.dispatch(-1), 0);
  EXPECT_EQ(plugin.dispatch(INT32_MIN), 0);
}

TEST_F(Abi, NullPointersFromSloppyHosts) {
  PluginInstance plugin(*library);
  for (int opcode = 0; opcode <= 80; ++opcode) {
    if (opcode == effClose) continue;
    plugin.dispatch(opcode, 0, 0, nullptr, 0.0f);
    plugin.dispatch(opcode, 30, -5, nullptr, 1.0f);
  }
  EXPECT_EQ(plugin.effectName(), "Tarvo");
}

TEST_F(Abi, HostWritesAndProgramChangesAreNotReportedBack) {
  PluginInstance plugin(*library, recorder());
  calls.clear();
  for (int i = 0; i < 25; ++i) plugin.setParameter(i, 0.3f);
  for (int p = 0; p < 25; ++p) plugin.dispatch(effSetProgram, 0, p);
  for (const Call& call : calls) EXPECT_NE(call.opcode, audioMasterAutomate);
  EXPECT_TRUE(calls.empty());
}

TEST_F(Abi, TwoInstancesAreIndependent) {
  PluginInstance a(*library);
  PluginInstance b(*library);
  EXPECT_NE(a.effect(), b.effect());
  a.setParameter(0, 0.1f);
  a.dispatch(effSetProgram, 0, 9);
  EXPECT_EQ(b.getParameter(0), 1.0f);
  EXPECT_EQ(b.dispatch(effGetProgram), 0);
  EXPECT_EQ(a.close(), 1);
  EXPECT_EQ(b.getParameter(0), 1.0f);
  EXPECT_EQ(b.close(), 1);
}

TEST_F(Abi, CloseWithoutAnythingElseAnswersOne) {
  PluginInstance plugin(*library);
  EXPECT_EQ(plugin.close(), 1);
  EXPECT_EQ(plugin.effect(), nullptr);
}

}  // namespace
}  // namespace tarvo::host
