#include "export/valuerules.h"

#include <gtest/gtest.h>

#include <string>

namespace zr::exportrules {
namespace {

// Widths worked out by hand: 14 characters hold up to "99999999999,99" and "-9999999999,99".
TEST(PutAmount, FitsRightAlignedOrFailsNamingFileFieldAndAmount) {
  struct Case {
    double value;
    const char* expected;  // nullptr: too wide
  } cases[] = {
      {0, "          0,00"},
      {-0.001, "          0,00"},
      {1234.5, "       1234,50"},
      {-12.3, "        -12,30"},
      {99999999999.99, "99999999999,99"},
      {-9999999999.99, "-9999999999,99"},
      {100000000000.00, nullptr},
      {-10000000000.00, nullptr},
      {99999999999.995, nullptr},  // rounds up to twelve whole digits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    std::string record(60, '.');
    const std::string before = record;
    if (c.expected) {
      putAmount(record, 47, c.value, "QUADST.V24");
      EXPECT_EQ(record.substr(46, 14), c.expected);
      EXPECT_EQ(record.substr(0, 46), before.substr(0, 46));
    } else {
      try {
        putAmount(record, 47, c.value, "QUADST.V24");
        ADD_FAILURE() << "a wide amount was placed";
      } catch (const AmountTooWide& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("posizione 47"), std::string::npos) << what;
        EXPECT_NE(what.find("QUADST.V24"), std::string::npos) << what;
        EXPECT_NE(what.find("0000000000,"), std::string::npos) << what;
      }
      EXPECT_EQ(record, before);  // nothing cut into the record
    }
  }
}

}  // namespace
}  // namespace zr::exportrules
