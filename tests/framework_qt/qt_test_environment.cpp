#include <gtest/gtest.h>

#include <QApplication>

namespace {

int argc = 1;
char name[] = "framework_qt_tests";
char* argv[] = {name, nullptr};
// Deleted after the last test; a test ending the process (a fatal error) leaves it to the exit.
QApplication* application = nullptr;

// Every test of this suite runs offscreen, in one QApplication made before the first test.
class QtEnvironment final : public testing::Environment {
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
    testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

// LeakSanitizer (address-sanitized builds): fontconfig keeps its pattern caches until Qt
// finalises it when the QApplication goes; a process ended by a fatal error never gets there.
// Those blocks are the library's own.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
