// The payment-date verification and update with the index nodes and catalogue records kept
// for the command, against the straightforward paths, on twin demo bureaus: the same list, the
// same messages and the same F24 archive afterwards, byte for byte.
#include <gtest/gtest.h>

#include "paydates/verification.h"
#include "support/twin_run.h"

namespace zr::testbed {
namespace {

TEST(KeptReads, VerifiesAndUpdatesAsTheStraightforwardPaths) {
  const demo::Options bureau{12, 2, 9};
  Installation plain(bureau), kept(bureau);
  const auto verify = [](App& app) {
    EXPECT_EQ(cmdverifica_Click(app, UpdateAnswer::No), VerifyOutcome::Done);
  };
  expectSameProduce(runProducing(plain, false, verify), runProducing(kept, true, verify));
  const auto update = [](App& app) {
    for (int m = 1; m <= 12; ++m)
      app.form.Text1[static_cast<std::size_t>(m - 1)] =
          "16/" + std::string(m < 10 ? "0" : "") + std::to_string(m) + "/2023";
    app.form.Text1[12] = "16/01/2024";
    EXPECT_EQ(cmdverifica_Click(app, UpdateAnswer::Yes), VerifyOutcome::Done);
  };
  const Produced a = runProducing(plain, false, update);
  const Produced b = runProducing(kept, true, update);
  // The demo leaves dates missing: the update wrote some, the same in both archives.
  EXPECT_NE(a.printed.find(" A "), std::string::npos) << a.printed;
  expectSameProduce(a, b);
}

}  // namespace
}  // namespace zr::testbed
