#include "params/value_parse.h"

#include <gtest/gtest.h>

#include "params/display_text.h"
#include "params/param_table.h"

namespace tarvo::params {
namespace {

float parsed(int index, const char* text) {
  const ParsedValue result = parseValue(index, text);
  EXPECT_TRUE(result.ok) << kParams[index].name << " '" << text << "': " << result.error;
  return result.value;
}

TEST(FindParameter, ForgivesCaseSpacesAndPunctuation) {
  EXPECT_EQ(findParameter("Threshold"), 0);
  EXPECT_EQ(findParameter("release type"), 9);
  EXPECT_EQ(findParameter("ReleaseType"), 9);
  EXPECT_EQ(findParameter("auto-gain"), 1);
  EXPECT_EQ(findParameter("Filter Freq."), 18);
  EXPECT_EQ(findParameter("rel.2 level"), 13);
  EXPECT_FALSE(findParameter("Threshhold").has_value());
  EXPECT_FALSE(findParameter("").has_value());
}

TEST(FindProgram, ByNameOrNumber) {
  EXPECT_EQ(findProgram("Vocal"), 3);
  EXPECT_EQ(findProgram("vocal warmer"), 4);
  EXPECT_EQ(findProgram("Vocal (eccentric)"), 5);
  EXPECT_EQ(findProgram("24"), 24);
  EXPECT_FALSE(findProgram("25").has_value());
  EXPECT_FALSE(findProgram("-1").has_value());
  EXPECT_FALSE(findProgram("1.5").has_value());
  EXPECT_FALSE(findProgram("Karaoke").has_value());
}

TEST(ParseValue, UnitsTheEditorShows) {
  EXPECT_FLOAT_EQ(parsed(kThreshold, "-20"), 0.5f);
  EXPECT_FLOAT_EQ(parsed(kThreshold, "-20 dB"), 0.5f);
  EXPECT_FLOAT_EQ(parsed(kThreshold, "-40dB"), 0.0f);
  EXPECT_FLOAT_EQ(parsed(kAttack, "10"), 0.5f);
  EXPECT_FLOAT_EQ(parsed(kAttack, "1000 ms"), 1.0f);
  EXPECT_FLOAT_EQ(parsed(kFilterFreq, "10 Hz"), 0.5f);
  EXPECT_FLOAT_EQ(parsed(kPdeRate, "25%"), 0.25f);
  EXPECT_FLOAT_EQ(parsed(kRatio, "4:1"), 0.875f);
  EXPECT_FLOAT_EQ(parsed(kRatio, "1:2"), 0.0f);
  EXPECT_FLOAT_EQ(parsed(kRatio, "1:1"), 0.5f);
  EXPECT_FLOAT_EQ(parsed(kRatio, "oo:1"), 1.0f);
  EXPECT_FLOAT_EQ(parsed(kRatio, "2"), 0.75f);
  EXPECT_FLOAT_EQ(parsed(kKnee, "Soft"), 1.0f);
  EXPECT_FLOAT_EQ(parsed(kKnee, "30 %"), 0.3f);
  EXPECT_FLOAT_EQ(parsed(kBalance, "L100"), 0.0f);
  EXPECT_FLOAT_EQ(parsed(kBalance, "R50"), 0.75f);
  EXPECT_FLOAT_EQ(parsed(kBalance, "0"), 0.5f);
  EXPECT_FLOAT_EQ(parsed(kAutoGain, "Off"), 0.0f);
  EXPECT_FLOAT_EQ(parsed(kDetEq, "on"), 1.0f);
  EXPECT_FLOAT_EQ(parsed(kReleaseType, "Opto"), 0.0f);
  EXPECT_FLOAT_EQ(parsed(kReleaseType, "smooth 1"), 0.75f);
  EXPECT_FLOAT_EQ(parsed(kStereoLink, "Mix"), 0.5f);
  EXPECT_FLOAT_EQ(parsed(kThreshold, "0.25n"), 0.25f);
}

TEST(ParseValue, RoundTripsEveryDisplayText) {
  for (int i = 0; i < kNumParams; ++i) {
    if (kParams[i].kind != DisplayKind::Number) continue;
    for (float v : {0.0f, 0.2f, 0.5f, 0.8f, 1.0f}) {
      const std::string text = *displayText(i, v);
      EXPECT_NEAR(parsed(i, text.c_str()), v, 2e-3) << kParams[i].name << " " << text;
    }
  }
}

TEST(ParseValue, RefusalsSayWhatIsAccepted) {
  ParsedValue r = parseValue(kThreshold, "-50");
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("-40 to 0 dB"), std::string::npos) << r.error;
  r = parseValue(kAttack, "fast");
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("0.1 to 1000 ms"), std::string::npos) << r.error;
  r = parseValue(kReleaseType, "Vintage");
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("Smooth 2"), std::string::npos) << r.error;
  EXPECT_FALSE(parseValue(kRatio, "1:3").ok);  // steeper expansion than 1:2
  EXPECT_FALSE(parseValue(kRatio, "0:1").ok);
  EXPECT_FALSE(parseValue(kBalance, "L120").ok);
  EXPECT_FALSE(parseValue(kThreshold, "1.5n").ok);
  EXPECT_FALSE(parseValue(kThreshold, "nan").ok);
  EXPECT_FALSE(parseValue(kThreshold, "").ok);
  EXPECT_FALSE(parseValue(kReserved1, "0").ok);
  EXPECT_FALSE(parseValue(99, "0").ok);
}

}  // namespace
}  // namespace tarvo::params
