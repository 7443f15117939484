#include "settings/registry_path.h"

#include <gtest/gtest.h>

#include "settings/environment_expansion.h"

namespace tavr {
namespace {

struct SplitCase {
    const char* name;
    std::string_view path;
    std::string_view keyPath;
    std::string_view valueName;
};

class RegistryPathSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(RegistryPathSplit, SplitsAtTheLastBackslash) {
    const RegistryPath split = SplitRegistryPath(GetParam().path);
    EXPECT_EQ(split.keyPath, GetParam().keyPath);
    EXPECT_EQ(split.valueName, GetParam().valueName);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RegistryPathSplit,
    testing::Values(SplitCase{"Setting", "Software\\TAVR_12864\\Modbus_id", "Software\\TAVR_12864",
                              "Modbus_id"},
                    SplitCase{"UnderTheRoot", "Modbus_id", "", "Modbus_id"},
                    SplitCase{"DefaultValue", "Software\\", "Software", ""},
                    SplitCase{"Chinese", "软件\\设置\\串口号", "软件\\设置", "串口号"},
                    // A lead byte cut short by the backslash does not swallow it.
                    SplitCase{"CutCharacter", "key\\\xE8\\value", "key\\\xE8", "value"}),
    [](const auto& info) { return info.param.name; });

struct ExpansionCase {
    const char* name;
    std::string_view text;
    std::string_view expanded;
};

class EnvironmentExpansion : public testing::TestWithParam<ExpansionCase> {
  protected:
    void SetUp() override { setenv("TAVR_TEST_PORT", "COM6", 1); }
    void TearDown() override { unsetenv("TAVR_TEST_PORT"); }
};

TEST_P(EnvironmentExpansion, ExpandsSetVariablesOnly) {
    EXPECT_EQ(ExpandEnvironmentReferences(GetParam().text), GetParam().expanded);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EnvironmentExpansion,
    testing::Values(ExpansionCase{"Set", "port %TAVR_TEST_PORT%.", "port COM6."},
                    ExpansionCase{"Twice", "%TAVR_TEST_PORT%%TAVR_TEST_PORT%", "COM6COM6"},
                    ExpansionCase{"Unset", "%TAVR_TEST_UNSET%%TAVR_TEST_PORT%",
                                  "%TAVR_TEST_UNSET%COM6"},
                    ExpansionCase{"EmptyName", "100%% sure", "100%% sure"},
                    ExpansionCase{"Unclosed", "50% %TAVR_TEST_PORT", "50% %TAVR_TEST_PORT"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tavr
