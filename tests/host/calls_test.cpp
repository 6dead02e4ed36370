#include <cstring>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "support/host_fixture.h"

namespace {

MdlDesc* calledFor = nullptr;

int noArgs() {
    calledFor = sim::currentApplication();
    return 41;
}
int oneDouble(double a) { return static_cast<int>(a * 10); }
int twoDoubles(double oldScale, double newScale) { return static_cast<int>(oldScale * 100 + newScale); }
int onePointer(const char* text) { return static_cast<int>(std::strlen(text)); }
int twoPointers(const char* a, int* out) {
    *out = static_cast<int>(std::strlen(a));
    return 2;
}
int ppi(const char* a, const char* b, int n) { return static_cast<int>(std::strlen(a) * 100 + std::strlen(b) * 10) + n; }
int ippi(int a, const char* p, const char* q, int b) { return a * 1000 + (p[0] - '0') * 100 + (q[0] - '0') * 10 + b; }
int ipppdd(int a, int* p, int* q, int* r, double x, double y) {
    *p = a;
    *q = static_cast<int>(x);
    *r = static_cast<int>(y);
    return a + static_cast<int>(x * y);
}
/* Doubles and integers interleaved the way no register order would guess. */
int mixed(double a, int b, double c, const char* d, int e, double f) {
    return static_cast<int>(a) * 100000 + b * 10000 + static_cast<int>(c) * 1000 + (d[0] - '0') * 100 + e * 10 +
           static_cast<int>(f);
}
int widest(int a, int b, int c, int d, int e, int f, double g, double h, double i, double j, double k, double l,
           double m, double n) {
    return a + b + c + d + e + f + static_cast<int>(g + h + i + j + k + l + m + n);
}
/* Seven pointer or int arguments with doubles between them: the scan callback's shape and more. */
int eightIntegers(int a, double x, int b, int c, int d, int e, double y, int f, int g, int h) {
    return a + b * 2 + c * 3 + d * 4 + e * 5 + f * 6 + g * 7 + h * 8 + static_cast<int>(x * 100 + y * 1000);
}
int negative(int a, double b) { return a * static_cast<int>(b); }

}  // namespace

using SignatureCalls = HostTest;

TEST_F(SignatureCalls, EverySignatureTheLibraryUsesPassesItsArguments) {
    EXPECT_EQ(dlmSystem_callAnyFunction("", nullptr, reinterpret_cast<void*>(noArgs)), 41);
    EXPECT_EQ(dlmSystem_callAnyFunction("D", nullptr, reinterpret_cast<void*>(oneDouble), 4.25), 42);
    EXPECT_EQ(dlmSystem_callAnyFunction("DD", nullptr, reinterpret_cast<void*>(twoDoubles), 1.5, 2.0), 152);
    EXPECT_EQ(dlmSystem_callAnyFunction("P", nullptr, reinterpret_cast<void*>(onePointer), "abc"), 3);
    int out = 0;
    EXPECT_EQ(dlmSystem_callAnyFunction("PP", nullptr, reinterpret_cast<void*>(twoPointers), "abcd", &out), 2);
    EXPECT_EQ(out, 4);
    EXPECT_EQ(dlmSystem_callAnyFunction("PPI", nullptr, reinterpret_cast<void*>(ppi), "ab", "c", 7), 217);
    EXPECT_EQ(dlmSystem_callAnyFunction("IPPI", nullptr, reinterpret_cast<void*>(ippi), 3, "4", "5", 6), 3456);
    int p = 0, q = 0, r = 0;
    EXPECT_EQ(dlmSystem_callAnyFunction("IPPPDD", nullptr, reinterpret_cast<void*>(ipppdd), 9, &p, &q, &r, 3.0, 4.5), 22);
    EXPECT_EQ(p, 9);
    EXPECT_EQ(q, 3);
    EXPECT_EQ(r, 4);
}

TEST_F(SignatureCalls, MixedAndWidestSignaturesAndLowerCaseLetters) {
    EXPECT_EQ(dlmSystem_callAnyFunction("DIDPID", nullptr, reinterpret_cast<void*>(mixed), 1.0, 2, 3.0, "4", 5, 6.0),
              123456);
    EXPECT_EQ(dlmSystem_callAnyFunction("iiiiiidddddddd", nullptr, reinterpret_cast<void*>(widest), 1, 2, 3, 4, 5, 6,
                                        1.5, 1.5, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0),
              30);
    EXPECT_EQ(dlmSystem_callAnyFunction("ID", nullptr, reinterpret_cast<void*>(negative), -3, 2.0), -6);
}

TEST_F(SignatureCalls, UpToEightIntegerArgumentsAmongDoubles) {
    EXPECT_EQ(dlmSystem_callAnyFunction("IDIIIIDIII", nullptr, reinterpret_cast<void*>(eightIntegers), 1, 0.5, 1, 1,
                                        1, 1, 2.0, 1, 1, 1),
              1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 50 + 2000);
}

TEST_F(SignatureCalls, BadCallsAnswerZeroWithAConsoleLineAndCallNothing) {
    calledFor = reinterpret_cast<MdlDesc*>(1);
    EXPECT_EQ(dlmSystem_callAnyFunction("X", nullptr, reinterpret_cast<void*>(noArgs)), 0);
    EXPECT_EQ(dlmSystem_callAnyFunction("IIIIIIIII", nullptr, reinterpret_cast<void*>(noArgs), 1, 2, 3, 4, 5, 6, 7, 8, 9),
              0);
    EXPECT_EQ(dlmSystem_callAnyFunction("DDDDDDDDD", nullptr, reinterpret_cast<void*>(noArgs), 1., 2., 3., 4., 5., 6.,
                                        7., 8., 9.),
              0);
    EXPECT_EQ(dlmSystem_callAnyFunction("", nullptr, nullptr), 0);
    int bogus = 0;
    EXPECT_EQ(dlmSystem_callAnyFunction("", reinterpret_cast<MdlDescP>(&bogus), reinterpret_cast<void*>(noArgs)), 0);
    MdlDesc* ended = sim::registerApplication("ended");
    sim::endApplication(ended);
    EXPECT_EQ(dlmSystem_callAnyFunction("", ended, reinterpret_cast<void*>(noArgs)), 0);
    EXPECT_EQ(calledFor, reinterpret_cast<MdlDesc*>(1));
    std::string console = sim::consoleText();
    EXPECT_NE(console.find("bad signature \"X\""), std::string::npos) << console;
    EXPECT_NE(console.find("has ended"), std::string::npos) << console;
    EXPECT_NE(console.find("unknown application descriptor"), std::string::npos) << console;
}

TEST_F(SignatureCalls, CallsRunOnBehalfOfTheGivenApplication) {
    MdlDesc* first = sim::registerApplication("first");
    MdlDesc* second = sim::registerApplication("second");
    sim::CurrentApplicationScope scope(first);
    EXPECT_EQ(dlmSystem_callAnyFunction("", second, reinterpret_cast<void*>(noArgs)), 41);
    EXPECT_EQ(calledFor, second);
    EXPECT_EQ(sim::currentApplication(), first);
    EXPECT_EQ(dlmSystem_callAnyFunction("", nullptr, reinterpret_cast<void*>(noArgs)), 41);
    EXPECT_EQ(calledFor, first);

    sim::registerApplicationFunction(second, "second_noArgs", reinterpret_cast<void*>(noArgs));
    EXPECT_EQ(dlmSystem_callMdlFunction("", second, "second_noArgs"), 41);
    EXPECT_EQ(calledFor, second);
    EXPECT_EQ(dlmSystem_callMdlFunction("", nullptr, "second_noArgs"), 0); /* first has no such function */
}
