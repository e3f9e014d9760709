// Entry point of the end-to-end test programs: checks that the system is set up like the
// one the program is made for, and ends every program a finished test left running.
#include "Driver.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class KillLeftovers : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override { vorna::e2e::KillAllStarted(); }
};

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Entry texts are GBK bytes in these tests; another ANSI code page would make every
    // Chinese comparison meaningless.
    if (GetACP() != 936) {
        std::fprintf(stderr, "the ANSI code page is %u, not 936: run under LC_ALL=zh_CN.UTF-8\n",
                     GetACP());
        return 1;
    }
    testing::UnitTest::GetInstance()->listeners().Append(new KillLeftovers);
    const int result = RUN_ALL_TESTS();
    vorna::e2e::KillAllStarted();
    return result;
}
