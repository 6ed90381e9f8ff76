// Every test program's main: GoogleTest's own, except that a run that selects no test fails, so
// that a filter matching nothing, or a case renamed out of its filter, cannot pass unseen.
#include <gtest/gtest.h>

#include <cstdio>

#include "audio/bass_close.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Whatever the cases opened, the audio stand-in closes before the program ends.
    bassClose();
    if (!GTEST_FLAG_GET(list_tests) && testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        std::fprintf(stderr, "No test matches the filter: none ran.\n");
        return 1;
    }
    return result;
}
