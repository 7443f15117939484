#include "runtime/fatal_error.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>

#include "runtime/arithmetic.h"

namespace tavr {
namespace {

TEST(FatalErrorDeathTest, RemainderByZeroPrintsTheErrorAndExitsWithMinusOne) {
    EXPECT_EXIT(Remainder(5.0, 0.0), testing::ExitedWithCode(255),
                "运行时出错!\n\n错误信息：不能求余数于零\n");
}

TEST(FatalErrorDeathTest, ZeroDivisorAfterOthersIsStillFatal) {
    EXPECT_EXIT(Remainder(1000.0, 256.0, -0.0), testing::ExitedWithCode(255), "不能求余数于零");
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
        testing::ExitedWithCode(255), "<运行时出错!\n\n错误信息：不能求余数于零\n>");
}

TEST(FatalErrorDeathTest, FailingHandlerStillEndsTheProcess) {
    EXPECT_EXIT(
        {
            SetFatalErrorHandler([](const Text&) { throw std::runtime_error("no window"); });
            Remainder(5.0, 0.0);
        },
        testing::ExitedWithCode(255), "不能求余数于零");
}

}  // namespace
}  // namespace tavr
