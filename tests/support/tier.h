#pragma once
// The tier of a case is said where the case is written. A case that plays whole scenes or the whole
// demo, minutes under load, is a FULL_TEST: its name carries the mark, so renaming it keeps its tier.
// Every program's main takes --tier=quick (no full cases) or --tier=full (only those); CTest runs
// a program once per tier it holds, under that label.
#include <gtest/gtest.h>

#define FULL_TEST(suite, name) TEST(suite, FullTier_##name)
#define FULL_TEST_F(fixture, name) TEST_F(fixture, FullTier_##name)

// The filter that picks the cases of a tier.
constexpr const char* fullTierCases = "*.FullTier_*";
