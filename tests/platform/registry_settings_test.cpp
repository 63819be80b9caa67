// The registry reader against values written by the system's own `reg add` (Wine's reg.exe
// in the test prefix): missing key, missing value, strings, a number, the other view.
#include "platform/win32/registry_settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/settings.h"

namespace tarvo::platform::win32 {
namespace {

// Runs `reg ARGS` through the command interpreter and answers its exit code.
int reg(const std::wstring& arguments) {
  const std::wstring command = L"reg " + arguments + L" >NUL 2>&1";
  return _wsystem(command.c_str());
}

// Removes `path` under HKEY_LOCAL_MACHINE in both registry views.
void removeKey(const std::wstring& path) {
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
}

// A key of its own per test and program run, removed before and after the test.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    keyPath =
        "Software\\Velmora Audio\\Tarvo Test " + test + " " + std::to_string(GetCurrentProcessId());
    relativeKey = std::wstring(keyPath.begin(), keyPath.end());
    wideKey = L"HKLM\\" + relativeKey;
    removeKey(relativeKey);
  }
  void TearDown() override { removeKey(relativeKey); }
  void add(const std::wstring& value, const std::wstring& type, const std::wstring& data,
           const std::wstring& view = L"") {
    const std::wstring args = L"add \"" + wideKey + L"\" /v \"" + value + L"\" /t " + type +
                              L" /d \"" + data + L"\" /f" + view;
    ASSERT_EQ(reg(args), 0) << "reg add failed";
  }
  std::string keyPath;
  std::wstring relativeKey;
  std::wstring wideKey;
};

TEST_F(Registry, MissingKeyGivesEmptyTextAndKeyNotOpened) {
  const SettingRead r = readSettingStringFrom(keyPath, "Manual");
  EXPECT_FALSE(r.keyOpened);
  EXPECT_EQ(r.value, "");
}

TEST_F(Registry, MissingValueGivesEmptyTextWithTheKeyOpened) {
  add(L"Other", L"REG_SZ", L"x");
  const SettingRead r = readSettingStringFrom(keyPath, "Manual");
  EXPECT_TRUE(r.keyOpened);
  EXPECT_EQ(r.value, "");
}

TEST_F(Registry, ReadsAStringValueAsUtf8) {
  add(L"Manual", L"REG_SZ", L"C:\\Program Files\\Velmora Audio\\Tarvo Handbuch \u00FC.pdf");
  const SettingRead r = readSettingStringFrom(keyPath, "Manual");
  EXPECT_TRUE(r.keyOpened);
  EXPECT_EQ(r.value, "C:\\Program Files\\Velmora Audio\\Tarvo Handbuch \xC3\xBC.pdf");
  // Value names are not case-sensitive in the registry.
  EXPECT_EQ(readSettingStringFrom(keyPath, "MANUAL").value, r.value);
}

TEST_F(Registry, ExpandsVariablesOfAnExpandableString) {
  // The command interpreter leaves an undefined %NAME% as it is; the variable is defined
  // in this process only after the value was written.
  SetEnvironmentVariableW(L"TARVO_TEST_DOCS", nullptr);
  add(L"Manual", L"REG_EXPAND_SZ", L"%TARVO_TEST_DOCS%\\Tarvo.pdf");
  SetEnvironmentVariableW(L"TARVO_TEST_DOCS", L"D:\\Docs");
  EXPECT_EQ(readSettingStringFrom(keyPath, "Manual").value, "D:\\Docs\\Tarvo.pdf");
  SetEnvironmentVariableW(L"TARVO_TEST_DOCS", nullptr);
}

TEST_F(Registry, ANumberValueRaisesInvalidDataType) {
  add(L"Manual", L"REG_DWORD", L"7");
  try {
    readSettingStringFrom(keyPath, "Manual");
    FAIL() << "no error raised";
  } catch (const SettingTypeError& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Manual'");
  }
  add(L"Data", L"REG_BINARY", L"0102");
  EXPECT_THROW(readSettingStringFrom(keyPath, "Data"), SettingTypeError);
}

TEST_F(Registry, AKeyOnlyInTheOtherViewIsFound) {
  // Written by a 32-bit installer for a 64-bit reader, or the other way round.
  const bool is64 = sizeof(void*) == 8;
  add(L"Manual", L"REG_SZ", L"other view", is64 ? L" /reg:32" : L" /reg:64");
  EXPECT_EQ(readSettingStringFrom(keyPath, "Manual").value, "other view");
  // The reader's own view wins when both hold the key.
  add(L"Manual", L"REG_SZ", L"own view", is64 ? L" /reg:64" : L" /reg:32");
  EXPECT_EQ(readSettingStringFrom(keyPath, "Manual").value, "own view");
}

TEST(RegistryProduct, ReadsTheProductKeyValueManual) {
  const std::wstring key = L"HKLM\\Software\\Velmora Audio\\Tarvo";
  removeKey(L"Software\\Velmora Audio\\Tarvo");
  EXPECT_FALSE(readSetting("Manual").has_value());
  ASSERT_EQ(reg(L"add \"" + key + L"\" /v Manual /t REG_SZ /d \"https://example.com/m.pdf\" /f"),
            0);
  const SettingRead r = readSettingStringFrom(kSettingsKey, "Manual");
  EXPECT_TRUE(r.keyOpened);
  EXPECT_EQ(r.value, "https://example.com/m.pdf");
  EXPECT_EQ(readSetting("Manual").value_or(""), "https://example.com/m.pdf");
  // A value that is not text is no setting: the editor's click must not see the exception.
  ASSERT_EQ(reg(L"add \"" + key + L"\" /v Manual /t REG_DWORD /d 7 /f"), 0);
  EXPECT_FALSE(readSetting("Manual").has_value());
  removeKey(L"Software\\Velmora Audio\\Tarvo");
}

}  // namespace
}  // namespace tarvo::platform::win32
