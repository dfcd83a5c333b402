#include "sortshow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

namespace {

struct Method {
    const char* name;
    void (*sort)(std::vector<int>&);
};

// quicksort takes the first and the last index; the driver never calls it on
// an empty range, so neither does this.
void quicksort_all(std::vector<int>& v)
{
    if (!v.empty()) {
        quicksort(v.data(), 0, static_cast<int>(v.size()) - 1);
    }
}

const Method methods[] = {
    {"selectsort", [](std::vector<int>& v) { selectsort(v.data(), static_cast<int>(v.size())); }},
    {"bubblesort", [](std::vector<int>& v) { bubblesort(v.data(), static_cast<int>(v.size())); }},
    {"shakersort", [](std::vector<int>& v) { shakersort(v.data(), static_cast<int>(v.size())); }},
    {"quicksort", quicksort_all},
};

struct Case {
    const char* name;
    std::vector<int> input;
    std::vector<int> sorted;
};

const Case cases[] = {
    {"empty", {}, {}},
    {"one", {7}, {7}},
    {"two", {4, 0}, {0, 4}},
    {"ten", {3, 1, 0, 3, 0, 3, 3, 4, 0, 5}, {0, 0, 0, 1, 3, 3, 3, 3, 4, 5}},
    {"all_equal", std::vector<int>(101, 17), std::vector<int>(101, 17)},
    {"ascending", {-3, 0, 1, 2, 5, 8, 13, 21}, {-3, 0, 1, 2, 5, 8, 13, 21}},
    {"descending", {32, 16, 8, 4, 2, 1, 0, -1, INT_MIN}, {INT_MIN, -1, 0, 1, 2, 4, 8, 16, 32}},
};

std::string method_name(const testing::TestParamInfo<Method>& info)
{
    return info.param.name;
}

class SortCases : public testing::TestWithParam<std::tuple<Method, Case>> {};

TEST_P(SortCases, SortsAscending)
{
    const auto& [method, c] = GetParam();
    std::vector<int> v = c.input;
    method.sort(v);
    EXPECT_EQ(v, c.sorted);
}

INSTANTIATE_TEST_SUITE_P(Table, SortCases, testing::Combine(testing::ValuesIn(methods), testing::ValuesIn(cases)),
                         [](const testing::TestParamInfo<SortCases::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

class SortRandom : public testing::TestWithParam<Method> {};

// Against std::sort over many lengths: values 0 ... 32, as in the demonstration,
// and the full int range with its extremes mixed in.
TEST_P(SortRandom, AgreesWithStdSort)
{
    std::mt19937 engine(20000);
    std::uniform_int_distribution<int> small(0, 32);
    std::uniform_int_distribution<int> full(INT_MIN, INT_MAX);
    std::vector<int> lengths;
    for (int n = 0; n <= 64; n++) {
        lengths.push_back(n);
    }
    lengths.insert(lengths.end(), {100, 255, 1000, 2001});
    for (int n : lengths) {
        for (bool wide : {false, true}) {
            std::vector<int> v(static_cast<std::size_t>(n));
            for (int& x : v) {
                x = wide ? full(engine) : small(engine);
            }
            if (wide && n >= 2) {
                v[static_cast<std::size_t>(n) / 3] = INT_MIN;
                v[static_cast<std::size_t>(n) / 2] = INT_MAX;
            }
            std::vector<int> expected = v;
            std::sort(expected.begin(), expected.end());
            GetParam().sort(v);
            ASSERT_EQ(v, expected) << "length " << n << (wide ? ", full int range" : ", values 0 ... 32");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, SortRandom, testing::ValuesIn(methods), method_name);

TEST(Quicksort, SortsOnlyItsRange)
{
    std::vector<int> v = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    quicksort(v.data(), 2, 6);
    EXPECT_EQ(v, (std::vector<int>{9, 8, 3, 4, 5, 6, 7, 2, 1, 0}));
    quicksort(v.data(), 9, 9);
    EXPECT_EQ(v, (std::vector<int>{9, 8, 3, 4, 5, 6, 7, 2, 1, 0}));
}

// The Windows C runtime's rand, as documented: state = state * 214013 + 2531011
// (mod 2^32) from 1, yielding (state >> 16) & 0x7FFF.
class ReferenceRand {
public:
    int next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    unsigned int state_ = 1;
};

// One test, since the fillings share the one sequence of the process.
TEST(Generujpole, FillsFromThePlatformSequence)
{
    int first[10];
    generujpole(first, 10);
    EXPECT_EQ(std::vector<int>(first, first + 10), (std::vector<int>{0, 18, 6, 26, 19, 15, 11, 29, 26, 24}));

    ReferenceRand reference;
    for (int i = 0; i < 10; i++) {
        reference.next();
    }
    std::vector<int> a(20000);
    for (int filling = 0; filling < 4; filling++) {
        generujpole(a.data(), static_cast<int>(a.size()));
        for (std::size_t i = 0; i < a.size(); i++) {
            ASSERT_EQ(a[i], reference.next() / 1000) << "filling " << filling << ", element " << i;
        }
    }
    EXPECT_EQ(*std::min_element(a.begin(), a.end()), 0);
    EXPECT_EQ(*std::max_element(a.begin(), a.end()), 32);
}

} // namespace
