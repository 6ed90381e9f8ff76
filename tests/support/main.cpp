// Every test program's main: GoogleTest's own, with --tier=quick or --tier=full choosing the cases of
// a tier (tier.h), and a run that selects no test fails, so that a filter matching nothing cannot
// pass unseen. Each case starts with the scenes' states at their first frames.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/tier.h"

#include "audio/bass_close.h"
#include "scenes/demo_state.h"

// Every case starts from the scenes' first frames, whichever cases ran before it.
class FreshScenes : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { demo.scenes = SceneStates{}; }
};

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshScenes);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tier=quick") == 0) {
            GTEST_FLAG_SET(filter, std::string("-") + fullTierCases);
        } else if (std::strcmp(argv[i], "--tier=full") == 0) {
            GTEST_FLAG_SET(filter, fullTierCases);
        } else {
            std::fprintf(stderr, "unknown option %s (GoogleTest's, or --tier=quick|full)\n", argv[i]);
            return 2;
        }
    }
    const int result = RUN_ALL_TESTS();
    // Whatever the cases opened, the audio stand-in closes before the program ends.
    bassClose();
    if (!GTEST_FLAG_GET(list_tests) && testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        std::fprintf(stderr, "No test matches the filter: none ran.\n");
        return 1;
    }
    return result;
}
