// A download the server refuses: the command says what it answered and what to do, and
// ends with status 4; the same command continues once the service takes requests again.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "cli/CliRig.h"

namespace kartovel {
namespace {

using testing::CliRig;
using testing::CliRun;
using testing::LoopbackServer;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(RefusedCli, AStormOfRefusalsEndsWithStatusFourAndItsExplanationAndTheSameCommandContinues) {
  auto refusing = std::make_shared<std::atomic<bool>>(true);
  CliRig rig(LoopbackServer::Options{[refusing](const testing::Request&) {
    return *refusing ? testing::StatusReply(429) : testing::PngReply();
  }, {}});
  const std::vector<std::string> command = rig.Download("12", "refused");
  const CliRun refused = rig.Run(command);
  ASSERT_EQ(refused.Status, 4) << refused.Out << refused.Err;
  EXPECT_TRUE(Contains(refused.Err, "refused 20 requests in a row since ")) << refused.Err;
  EXPECT_TRUE(Contains(refused.Err, "\"429 Too Many Requests\"")) << refused.Err;
  EXPECT_TRUE(Contains(refused.Err, "is fetched with 8 workers and a pause of 1000 ms"));
  EXPECT_TRUE(Contains(refused.Err, "run the same command"));
  EXPECT_TRUE(Contains(refused.Out, ": 0 of ")) << refused.Out;
  EXPECT_TRUE(Contains(refused.Out, ", refused by the server: ")) << refused.Out;

  *refusing = false;
  const CliRun continued = rig.Run(command);
  EXPECT_EQ(continued.Status, 0) << continued.Out << continued.Err;
  EXPECT_TRUE(Contains(continued.Out, " 0 blank, 0 failed records")) << continued.Out;
}

}  // namespace
}  // namespace kartovel
