#include "app/verify_options.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "app/options.h"

namespace vestrel {
namespace {

TEST(VerifyOptions, StoreTheirValues) {
    struct Case {
        std::vector<std::string_view> arguments;
        int maxMoves, threads;
        std::uint64_t nodes;
    };
    const Case cases[] = {
        {{}, 0, 0, kDefaultVerifyNodes},
        {{"--verify"}, 3, 0, kDefaultVerifyNodes},
        {{"--verify=5"}, 5, 0, kDefaultVerifyNodes},
        {{"--verify=15", "--threads=1"}, 15, 1, kDefaultVerifyNodes},
        {{"--threads=4", "--verify-nodes=1000", "--verify"}, 3, 4, 1000},
        {{"--verify=2", "--verify"}, 3, 0, kDefaultVerifyNodes},  // the last one counts
    };
    for (const Case& c : cases) {
        RunSettings settings;
        const OptionResult result = parseArguments(c.arguments, settings);
        EXPECT_EQ(result.verdict, OptionVerdict::Ok);
        EXPECT_EQ(settings.verify.maxMoves, c.maxMoves);
        EXPECT_EQ(settings.verify.threads, c.threads);
        EXPECT_EQ(settings.verify.nodes, c.nodes);
        EXPECT_TRUE(settings.inputFiles.empty());
    }
}

TEST(VerifyOptions, RejectBadValuesAsIllegal) {
    for (std::string_view argument :
         {"--verify=", "--verify=0", "--verify=16", "--verify=x", "--verify=+3", "--verify=3 ",
          "--threads", "--threads=0", "--threads=1025", "--verify-nodes", "--verify-nodes=0",
          "--verify-nodes=99999999999999999999", "--verify-nodes=1e6"}) {
        RunSettings settings;
        const OptionResult result = parseArguments({argument}, settings);
        EXPECT_EQ(result.verdict, OptionVerdict::Illegal) << argument;
        EXPECT_EQ(result.argument, argument);
    }
}

}  // namespace
}  // namespace vestrel
