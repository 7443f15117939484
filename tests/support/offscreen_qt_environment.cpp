#include <gtest/gtest.h>

#include <QApplication>

namespace {

int argc = 1;
char name[] = "tavr_qt_tests";
char* argv[] = {name, nullptr};
// Deleted after the last test; a test ending the process (a fatal error) leaves it to the exit.
QApplication* application = nullptr;

// The windows of a suite linking this run offscreen, in one QApplication made before the first
// test.
class OffscreenEnvironment final : public testing::Environment {
  public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete application;
        application = nullptr;
    }
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new OffscreenEnvironment);

}  // namespace

// LeakSanitizer (address-sanitized builds): fontconfig keeps its pattern caches until Qt
// finalises it when the QApplication goes; a process that ends early (a fatal error) never gets
// there. Those blocks are the library's own.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// ThreadSanitizer: the program's window, in its themed look, is painted partly on threads of
// Qt's own pool, synchronised in ways the sanitizer cannot follow in the uninstrumented library.
// Only what Qt's own code does through the sanitizer's interceptors goes unjudged; every access
// made by this program's instrumented code is still checked.
extern "C" const char* __tsan_default_options() {
    return "ignore_noninstrumented_modules=1";
}
