// Decimal conversion with its error text, and the file test.
#include <gtest/gtest.h>

#include "classlib/sysutils.h"

using namespace classlib;

TEST(StrToInt, ConvertsDecimalText) {
  struct Row { const wchar_t* text; int expected; };
  const Row rows[] = {
      {L"3", 3},   {L"-6", -6},  {L"+12", 12},  {L"  7", 7},  {L"0", 0},
      {L"-0", 0},  {L"007", 7},  {L"2147483647", 2147483647}, {L"-2147483648", -2147483647 - 1},
  };
  for (const Row& row : rows)
    EXPECT_EQ(StrToInt(row.text), row.expected) << "text \"" << WideToAnsi(row.text) << "\"";
}

TEST(StrToInt, RejectsOtherTextWithTheMessage) {
  const wchar_t* rows[] = {L"",    L" ",   L"-",  L"+", L"3x", L"3 ", L"1.5", L"0x10",
                           L"$10", L"abc", L"2147483648", L"-2147483649", L"九"};
  for (const wchar_t* text : rows) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "no error for \"" << WideToAnsi(text) << "\"";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(), L"'" + std::wstring(text) + L"' is not a valid integer value");
    }
  }
}

TEST(FileExists, TellsFilesFromFoldersAndMissingNames) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  std::wstring file = std::wstring(folder) + L"classlib-file-exists.txt";
  DeleteFileW(file.c_str());
  EXPECT_FALSE(FileExists(file));
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  CloseHandle(handle);
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(folder));
  DeleteFileW(file.c_str());
}
