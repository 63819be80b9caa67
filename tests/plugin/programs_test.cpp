#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "params/factory_presets.h"
#include "plugin/recording_host.h"

namespace tarvo::testing {
namespace {

using namespace tarvo::vst;

TEST(Programs, SwitchingLoadsTheStoredValues) {
  EffectFixture f;
  EXPECT_EQ(f.record->getParameter(f.record, 9), 1.0f);
  f.dispatch(effSetProgram, 0, 3);
  EXPECT_EQ(f.record->getParameter(f.record, 4), 0.17f);
  EXPECT_EQ(f.text(effGetProgramName), "Vocal");
  for (int j = 0; j < 25; ++j) {
    EXPECT_EQ(f.record->getParameter(f.record, j), params::factoryPresets[3][j]) << j;
  }
}

TEST(Programs, EditsStayWithTheirProgram) {
  EffectFixture f;
  f.dispatch(effSetProgram, 0, 5);
  f.record->setParameter(f.record, 3, 0.2f);
  f.dispatch(effSetProgram, 0, 6);
  EXPECT_EQ(f.record->getParameter(f.record, 3), params::factoryPresets[6][3]);
  f.dispatch(effSetProgram, 0, 5);
  EXPECT_EQ(f.record->getParameter(f.record, 3), 0.2f);
}

TEST(Programs, OutOfRangeIndicesChangeNothing) {
  EffectFixture f;
  f.dispatch(effSetProgram, 0, 2);
  f.record->setParameter(f.record, 0, 0.3f);
  for (int bad : {-1, 25, 1000}) {
    f.effect->setProgram(bad);
    EXPECT_EQ(f.dispatch(effGetProgram), 2);
    EXPECT_EQ(f.record->getParameter(f.record, 0), 0.3f);
  }
}

TEST(Programs, ReloadingTheCurrentProgramMarksEverythingChanged) {
  EffectFixture f;
  auto& store = const_cast<params::ParamStore&>(f.effect->paramStore());
  for (auto& flag : store.paramChanged) flag.store(0);
  f.dispatch(effSetProgram, 0, 0);
  for (auto& flag : store.paramChanged) EXPECT_EQ(flag.load(), 1);
}

TEST(Programs, NamesListedRenamedAndCut) {
  EffectFixture f;
  char text[128];
  EXPECT_EQ(f.dispatch(effGetProgramNameIndexed, 22, 99, text), 1);
  EXPECT_STREQ(text, "Your Sound Here");
  EXPECT_EQ(f.dispatch(effGetProgramNameIndexed, 0, -5, text), 1);
  EXPECT_STREQ(text, "Full Reset");
  std::strcpy(text, "unchanged");
  EXPECT_EQ(f.dispatch(effGetProgramNameIndexed, 25, 0, text), 0);
  EXPECT_EQ(f.dispatch(effGetProgramNameIndexed, -1, 0, text), 0);
  EXPECT_STREQ(text, "unchanged");

  f.dispatch(effSetProgram, 0, 22);
  char name[] = "My Vocal Chain";
  f.dispatch(effSetProgramName, 0, 0, name);
  EXPECT_EQ(f.text(effGetProgramName), "My Vocal Chain");
  f.dispatch(effGetProgramNameIndexed, 23, 0, text);
  EXPECT_STREQ(text, "Your Sound Here");
  f.dispatch(effGetProgramNameIndexed, 24, 0, text);
  EXPECT_STREQ(text, "Your Sound Here");

  std::string longName(80, 'x');
  f.dispatch(effSetProgramName, 0, 0, longName.data());
  EXPECT_EQ(f.text(effGetProgramName), std::string(51, 'x'));
}

TEST(Programs, ProgramChangeIsNotReportedToTheHost) {
  EffectFixture f;
  f.host.calls.clear();
  for (int p = 0; p < 25; ++p) f.dispatch(effSetProgram, 0, p);
  EXPECT_TRUE(f.host.calls.empty());
}

}  // namespace
}  // namespace tarvo::testing
