// The version text of a record, and the record compiled into the program.
#include "shell/versiontext.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionTextTest, FormatsEachPartCutToItsLowestEightBits) {
  struct TCase {
    std::uint32_t MS, LS;
    const char* Text;
  };
  const TCase cases[] = {
      {1u << 16 | 3, 3u << 16 | 0, "1.3.3.0"},
      {2u << 16 | 10, 0u << 16 | 300, "2.10.0.44"},  // 300 = 0x12C
      {0xFFFFu << 16 | 256, 255u << 16 | 511, "255.0.255.255"},
  };
  for (const TCase& c : cases) {
    const TVersionRecord record{c.MS, c.LS, 0, 0, "", "", "", ""};
    EXPECT_EQ(VersionText(&record).toStdString(), c.Text);
  }
}

TEST(VersionTextTest, NoRecordGivesEmptyText) { EXPECT_EQ(VersionText(nullptr), QString()); }

TEST(VersionTextTest, CompiledRecordCarriesTheProjectVersion) {
  const TVersionRecord* record = ProgramVersion();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(VersionText(record), "1.3.3.0");
  EXPECT_STREQ(record->FileVersion, "1.3.3.0");
  EXPECT_STREQ(record->ProductVersion, "1.0.0.0");
  EXPECT_STREQ(record->CompanyName, "Weldrake");
  EXPECT_STREQ(record->FileDescription, "Tunemark");
}

}  // namespace
