#include "seqshow.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct Method {
    const char* name;
    int (*fibonacci)(int);
};

const Method methods[] = {
    {"rekurzivne", Fibonacci_rekurzivne},
    {"iteraci", Fibonacci_iteraci},
};

std::string method_name(const testing::TestParamInfo<Method>& info)
{
    return info.param.name;
}

class Fibonacci : public testing::TestWithParam<Method> {};

TEST_P(Fibonacci, KnownValues)
{
    struct Known {
        int to;
        int value;
    };
    for (Known k : {Known{0, 0}, {1, 1}, {2, 1}, {3, 2}, {10, 55}, {20, 6765}, {40, 102334155}}) {
        EXPECT_EQ(GetParam().fibonacci(k.to), k.value) << "F(" << k.to << ")";
    }
}

TEST_P(Fibonacci, NegativeGivesZero)
{
    for (int to : {-1, -2, -40, INT_MIN}) {
        EXPECT_EQ(GetParam().fibonacci(to), 0) << "to = " << to;
    }
}

// F(47) and beyond do not fit an int: -1 instead of an overflow.
TEST_P(Fibonacci, TooLargeGivesMinusOne)
{
    for (int to : {47, 48, 1000, INT_MAX}) {
        EXPECT_EQ(GetParam().fibonacci(to), -1) << "to = " << to;
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, Fibonacci, testing::ValuesIn(methods), method_name);

TEST(FibonacciIteraci, LastValueThatFits)
{
    EXPECT_EQ(Fibonacci_iteraci(46), 1836311903);
}

class Agreement : public testing::TestWithParam<int> {};

// The recursion's cost grows as F(to): the largest arguments take seconds.
TEST_P(Agreement, BothMethodsAgree)
{
    EXPECT_EQ(Fibonacci_rekurzivne(GetParam()), Fibonacci_iteraci(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Arguments, Agreement, testing::Range(0, 47));

} // namespace
