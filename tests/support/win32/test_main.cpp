#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

namespace {

// Wine hands back a crashed program's exit code at random, 0 included; this code is never a
// pass. GoogleTest itself exits with 0 or 1.
constexpr UINT kCrashedExitCode = 70;

LONG WINAPI EndCrashedTestProgram(EXCEPTION_POINTERS* exception) {
    std::fprintf(stderr, "test program crashed: exception 0x%08lX at %p\n",
                 exception->ExceptionRecord->ExceptionCode,
                 exception->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), kCrashedExitCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
    // No error boxes and no debugger: a crash ends the program at once with the code above.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::SetUnhandledExceptionFilter(EndCrashedTestProgram);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
