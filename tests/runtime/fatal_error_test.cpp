#include "runtime/fatal_error.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>

#include "runtime/arithmetic.h"

namespace tavr {
namespace {

// The process ends with exit(-1): status 255 where exit codes are one byte (Linux), -1 where
// they are 32 bits (Windows).
bool ExitedWithMinusOne(int status) {
    return testing::ExitedWithCode(255)(status) || testing::ExitedWithCode(-1)(status);
}

TEST(FatalErrorDeathTest, RemainderByZeroPrintsTheErrorAndExitsWithMinusOne) {
    EXPECT_EXIT(Remainder(5.0, 0.0), ExitedWithMinusOne,
                "运行时出错!\n\n错误信息：不能求余数于零\n");
}

TEST(FatalErrorDeathTest, ZeroDivisorAfterOthersIsStillFatal) {
    EXPECT_EXIT(Remainder(1000.0, 256.0, -0.0), ExitedWithMinusOne, "不能求余数于零");
}

TEST(FatalErrorDeathTest, InstalledHandlerReceivesTheWholeText) {
    EXPECT_EXIT(
        {
            SetFatalErrorHandler([](const Text& message) {
                std::fprintf(stderr, "<%s>", message.c_str());
                std::fflush(stderr);
            });
            Remainder(5.0, 0.0);
        },
        ExitedWithMinusOne, "<运行时出错!\n\n错误信息：不能求余数于零\n>");
}

TEST(FatalErrorDeathTest, FailingHandlerStillEndsTheProcess) {
    EXPECT_EXIT(
        {
            SetFatalErrorHandler([](const Text&) { throw std::runtime_error("no window"); });
            Remainder(5.0, 0.0);
        },
        ExitedWithMinusOne, "不能求余数于零");
}

}  // namespace
}  // namespace tavr
