#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"

namespace {

std::string cFormat(const char* format, double v) {
    char buf[512];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string fastFixed(double v, int precision) {
    char buf[sim::FIXED_BUFFER_SIZE];
    return std::string(buf, sim::formatFixed(buf, v, precision));
}

/* What toolSubsystem_fprintf wrote for one call, and its answer. */
template <typename... Args>
std::pair<std::string, int> hostFormat(const char* format, Args... args) {
    char* data = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&data, &size);
    int n = toolSubsystem_fprintf(f, format, args...);
    std::fclose(f);
    std::string out(data, size);
    std::free(data);
    return {out, n};
}

template <typename... Args>
void expectSameAsC(const char* format, Args... args) {
    char expected[4096];
    int n = std::snprintf(expected, sizeof expected, format, args...);
    auto [out, answer] = hostFormat(format, args...);
    EXPECT_EQ(out, expected) << "format \"" << format << "\"";
    EXPECT_EQ(answer, n) << "format \"" << format << "\"";
}

}  // namespace

TEST(HostFormat, FixedMatchesTheCLibraryOnEdgeValues) {
    const double values[] = {0.0, -0.0, 0.005, 0.015, 0.025, 0.125, 0.375, 2.5, 3.5, -2.5, 0.5, 1.5,
                             -0.001, -0.004999, 0.995, 9.995, 99.995, 1e-320, -5e-324, DBL_MIN,
                             1e15 + 0.5, 4503599627370495.5, 9007199254740993.0, 1e17, 1e22, 1e300,
                             DBL_MAX, -DBL_MAX, 2147483647.0, -2147483648.0, 123456.785, 1.0 / 3.0,
                             HUGE_VAL, -HUGE_VAL, NAN, -NAN};
    for (double v : values)
        for (int p = 0; p <= 9; ++p) {
            std::string format = "%." + std::to_string(p) + "f";
            EXPECT_EQ(fastFixed(v, p), cFormat(format.c_str(), v)) << "value " << v << " precision " << p;
        }
}

TEST(HostFormat, FixedMatchesTheCLibraryOnRoundingTiesAndRandomValues) {
    /* Exact binary ties at every precision: n / 2^k with few fraction bits. */
    for (int n = -4000; n <= 4000; ++n)
        for (double denominator : {2.0, 8.0, 32.0, 128.0, 1024.0})
            for (int p : {0, 1, 2, 3}) {
                double v = n / denominator;
                std::string format = "%." + std::to_string(p) + "f";
                ASSERT_EQ(fastFixed(v, p), cFormat(format.c_str(), v)) << v << " precision " << p;
            }
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> paper(-2000.0, 2000.0);
    std::uniform_int_distribution<int> exponent(-40, 80);
    for (int i = 0; i < 200000; ++i) {
        double v = i % 2 ? paper(rng) : std::ldexp(paper(rng), exponent(rng));
        ASSERT_EQ(fastFixed(v, 2), cFormat("%.2f", v)) << v;
        if (i % 10 == 0) {
            ASSERT_EQ(fastFixed(v, 1), cFormat("%.1f", v)) << v;
        }
        if (i % 10 == 1) {
            ASSERT_EQ(fastFixed(v, 7), cFormat("%.7f", v)) << v;
        }
    }
}

TEST(HostFormat, FprintfWritesTheSameBytesAsTheCLibrary) {
    expectSameAsC("%.2f %.2f lineto\n", 12.345, -0.004);
    expectSameAsC("PD;PA%d,%d;\n", INT_MIN, INT_MAX);
    expectSameAsC("%i|%d|%d", 0, -1, 1000000);
    expectSameAsC("LB%s%c\n", "text with 100%", 3);
    expectSameAsC("\033%%1BIN;%.0f;%.9f", 0.5, 1e-9);
    expectSameAsC("no conversions at all\n");
    /* Formats outside the fast conversions go to the C library. */
    expectSameAsC("%5.1f|%x|%-4d|%e|%g", 2.25, 255, 7, 1.5, 0.0001);
    expectSameAsC("%.2f %s", 1e300, "large");
    std::string longText(3000, 'x');
    expectSameAsC("[%s] %.2f", longText.c_str(), 1.0);
}

TEST(HostFormat, FprintfTakesWideTextsAndReportsFailures) {
    auto [out, n] = hostFormat("%S=%d", u"\u00e6", 5);
    EXPECT_EQ(out, "\xc3\xa6=5");
    EXPECT_EQ(n, 4);
    EXPECT_EQ(toolSubsystem_fprintf(nullptr, "%d", 1), -1);
    FILE* full = std::fopen("/dev/full", "w");
    if (full) {
        std::setvbuf(full, nullptr, _IONBF, 0);
        EXPECT_EQ(toolSubsystem_fprintf(full, "%.2f\n", 1.0), -1);
        EXPECT_EQ(toolSubsystem_fprintf(full, "%s", std::string(2000, 'y').c_str()), -1);
        std::fclose(full);
    }
}
