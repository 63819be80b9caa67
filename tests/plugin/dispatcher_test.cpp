#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "plugin/recording_host.h"

namespace tarvo::testing {
namespace {

using namespace tarvo::vst;

TEST(Record, IdentityCountsAndFlags) {
  EffectFixture f;
  const AEffect& r = *f.record;
  EXPECT_EQ(r.magic, 0x56737450);
  EXPECT_EQ(r.numPrograms, 25);
  EXPECT_EQ(r.numParams, 25);
  EXPECT_EQ(r.numInputs, 2);
  EXPECT_EQ(r.numOutputs, 2);
  EXPECT_EQ(r.flags, 0x19);
  EXPECT_EQ(r.initialDelay, 0);
  EXPECT_EQ(r.realQualities, 0);
  EXPECT_EQ(r.offQualities, 0);
  EXPECT_EQ(r.resvd1, 0);
  EXPECT_EQ(r.resvd2, 0);
  EXPECT_EQ(r.ioRatio, 1.0f);
  EXPECT_EQ(r.uniqueID, 0x766D3771);
  EXPECT_EQ(r.version, 1);
  EXPECT_EQ(r.object, static_cast<void*>(static_cast<AudioEffect*>(f.effect)));
  EXPECT_EQ(r.user, nullptr);
  for (char c : r.future) EXPECT_EQ(c, 0);
}

TEST(Record, HostCallsDuringConstruction) {
  EffectFixture f;
  ASSERT_EQ(f.host.calls.size(), 2u);
  EXPECT_EQ(f.host.calls[0].opcode, audioMasterGetVendorString);
  EXPECT_EQ(f.host.calls[1].opcode, audioMasterGetProductString);
  for (const HostCall& call : f.host.calls) {
    EXPECT_EQ(call.effect, f.record);
    EXPECT_TRUE(call.hadPointer);
    EXPECT_EQ(call.index, 0);
    EXPECT_EQ(call.value, 0);
  }
}

// Opcodes with an answer other than 0, as a host would call them with valid buffers.
TEST(Dispatcher, AnswersRowByRow) {
  EffectFixture f;
  char text[256] = {};
  EXPECT_EQ(f.dispatch(effOpen), 0);
  EXPECT_EQ(f.dispatch(effGetProgram), 0);
  EXPECT_EQ(f.dispatch(effGetVu), 0);
  EXPECT_EQ(f.dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(f.dispatch(effCanBeAutomated, 3), 1);
  EXPECT_EQ(f.dispatch(effCanBeAutomated, 99), 1);
  EXPECT_EQ(f.dispatch(effGetNumProgramCategories), 1);
  EXPECT_EQ(f.dispatch(effGetProgramNameIndexed, 24, 7, text), 1);
  EXPECT_STREQ(text, "Your Sound Here");
  EXPECT_EQ(f.dispatch(effGetProgramNameIndexed, 25, 0, text), 0);
  EXPECT_EQ(f.dispatch(effConnectInput, 0, 1), 1);
  EXPECT_EQ(f.dispatch(effConnectOutput, 1, 0), 1);
  EXPECT_EQ(f.dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f), 1);
  EXPECT_EQ(f.effect->currentBlockSize(), 512);
  EXPECT_EQ(f.effect->sampleRate(), 44100.0f);  // the signal path keeps its own rate
  EXPECT_EQ(f.dispatch(effGetEffectName, 0, 0, text), 1);
  EXPECT_STREQ(text, "Tarvo");
  EXPECT_EQ(f.dispatch(effGetVendorString, 0, 0, text), 1);
  EXPECT_STREQ(text, "Velmora Audio");
  EXPECT_EQ(f.dispatch(effGetProductString, 0, 0, text), 1);
  EXPECT_STREQ(text, "Tarvo");
  for (const char* what : {"receiveVstEvents", "bypass", "plugAsChannelInsert", "", "x"}) {
    std::strcpy(text, what);
    EXPECT_EQ(f.dispatch(effCanDo, 0, 0, text), -1) << what;
  }
  EXPECT_EQ(f.dispatch(effKeysRequired), 1);
  EXPECT_EQ(f.dispatch(effGetVstVersion), 2300);
  EXPECT_EQ(f.dispatch(effGetVendorVersion), 0);
  EXPECT_EQ(f.dispatch(effEditKeyDown, 'a', 3, nullptr, 2.0f), -1);
  EXPECT_EQ(f.dispatch(effEditKeyUp, 'a', 3, nullptr, 2.0f), -1);
  EXPECT_EQ(f.dispatch(effSetEditKnobMode, 0, 2), 0);
  EXPECT_EQ(f.dispatch(effGetCurrentMidiProgram), -1);
  EXPECT_EQ(f.dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
  EXPECT_EQ(f.dispatch(effSetBlockSize, 0, 256), 0);
  EXPECT_EQ(f.effect->currentBlockSize(), 256);
}

TEST(Dispatcher, OutputPinProperties) {
  EffectFixture f;
  for (int pin = 0; pin < 2; ++pin) {
    VstPinProperties props{};
    EXPECT_EQ(f.dispatch(effGetOutputProperties, pin, 0, &props), 1);
    EXPECT_STREQ(props.label, pin == 0 ? " 1" : " 2");
    EXPECT_EQ(props.flags, kVstPinIsActive | kVstPinIsStereo);
  }
  VstPinProperties untouched;
  std::memset(&untouched, 0x5A, sizeof untouched);
  VstPinProperties probe = untouched;
  EXPECT_EQ(f.dispatch(effGetOutputProperties, 2, 0, &probe), 0);
  EXPECT_EQ(std::memcmp(&probe, &untouched, sizeof probe), 0);
  EXPECT_EQ(f.dispatch(effGetOutputProperties, -1, 0, &probe), 0);
  EXPECT_EQ(f.dispatch(effGetInputProperties, 0, 0, &probe), 0);
  EXPECT_EQ(std::memcmp(&probe, &untouched, sizeof probe), 0);
}

// Every opcode without an answer of its own answers 0 and writes nothing.
TEST(Dispatcher, SilentOpcodesAnswerZeroAndWriteNothing) {
  EffectFixture f;
  const std::set<int> answering = {effGetProgram,
                                   effEditGetRect,
                                   effIdentify,
                                   effCanBeAutomated,
                                   effGetNumProgramCategories,
                                   effGetProgramNameIndexed,
                                   effConnectInput,
                                   effConnectOutput,
                                   effGetOutputProperties,
                                   effSetBlockSizeAndSampleRate,
                                   effGetEffectName,
                                   effGetVendorString,
                                   effGetProductString,
                                   effCanDo,
                                   effKeysRequired,
                                   effGetVstVersion,
                                   effEditKeyDown,
                                   effEditKeyUp,
                                   effGetCurrentMidiProgram,
                                   effSetTotalSampleToProcess};
  const std::set<int> writing = {effGetProgramName, effGetParamLabel, effGetParamDisplay,
                                 effGetParamName};
  for (int opcode = -3; opcode <= 120; ++opcode) {
    if (opcode == effClose || answering.count(opcode) || writing.count(opcode)) continue;
    if (opcode == effSetProgram || opcode == effSetProgramName || opcode == effEditOpen) continue;
    unsigned char buffer[512];
    std::memset(buffer, 0xA5, sizeof buffer);
    EXPECT_EQ(f.dispatch(opcode, 0, 0, buffer, 0.0f), 0) << "opcode " << opcode;
    for (unsigned char b : buffer) ASSERT_EQ(b, 0xA5) << "opcode " << opcode << " wrote";
  }
  EXPECT_EQ(f.dispatch(effGetPlugCategory), 0);
  EXPECT_EQ(f.dispatch(effGetTailSize), 0);
}

TEST(Dispatcher, NullPointersAreNeverTouched) {
  EffectFixture f;
  for (int opcode : {effSetProgramName,
                     effGetProgramName,
                     effGetParamLabel,
                     effGetParamDisplay,
                     effGetParamName,
                     effEditGetRect,
                     effEditOpen,
                     effGetProgramNameIndexed,
                     effGetInputProperties,
                     effGetOutputProperties,
                     effGetEffectName,
                     effGetErrorText,
                     effGetVendorString,
                     effGetProductString,
                     effCanDo,
                     effGetChunk,
                     effSetChunk,
                     effString2Parameter,
                     effGetParameterProperties,
                     effShellGetNextPlugin,
                     effGetSpeakerArrangement,
                     effGetMidiProgramName,
                     effGetMidiKeyName,
                     effProcessEvents,
                     effVendorSpecific}) {
    EXPECT_EQ(f.dispatch(opcode, 1, 0, nullptr), 0) << "opcode " << opcode;
  }
  EXPECT_STREQ(f.effect->program(0).name, "Full Reset");
}

TEST(Dispatcher, ProgramAndMainsGuards) {
  EffectFixture f;
  EXPECT_EQ(f.dispatch(effSetProgram, 0, 3), 0);
  EXPECT_EQ(f.dispatch(effGetProgram), 3);
  f.dispatch(effSetProgram, 0, 25);  // at or above numPrograms: ignored
  EXPECT_EQ(f.dispatch(effGetProgram), 3);
  f.dispatch(effSetProgram, 0, -1);  // passed on, ignored by the bank
  EXPECT_EQ(f.dispatch(effGetProgram), 3);
  if (sizeof(VstIntPtr) == 8) {
    // Negative 64-bit values whose low 32 bits read as program 1: still negative.
    f.dispatch(effSetProgram, 0, static_cast<VstIntPtr>(-(int64_t{1} << 32) + 1));
    EXPECT_EQ(f.dispatch(effGetProgram), 3);
  }
  EXPECT_EQ(f.dispatch(effMainsChanged, 0, 7), 0);
  EXPECT_EQ(f.dispatch(effMainsChanged, 0, 0), 0);
}

TEST(Dispatcher, KeyOpcodeWithAbsurdModifierIsSafe) {
  EffectFixture f;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(f.dispatch(effEditKeyDown, 0, -1, nullptr, nan), -1);
  EXPECT_EQ(f.dispatch(effEditKeyUp, 0, 1 << 20, nullptr, 1e30f), -1);
}

TEST(Dispatcher, CloseAnswersOneAndDestroysTheEffect) {
  auto* f = new EffectFixture;
  AEffect* record = f->record;
  f->record = nullptr;  // the fixture must not close it again
  EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
  delete f;
}

}  // namespace
}  // namespace tarvo::testing
