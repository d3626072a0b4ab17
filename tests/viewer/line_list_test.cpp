// The line files of the settings and menu texts: how lines end, how many are read, the
// code page, damaged content, and what is written.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tools/systest/systest.h"
#include "viewer/line_list.h"

using systest::TempDir;
using viewer::ReadLineList;
using viewer::WriteLineList;

namespace {

// "调整偏差" in code page 936, the users' ANSI code page (the tests run under it).
const std::string kAdjustGbk = "\xB5\xF7\xD5\xFB\xC6\xAB\xB2\xEE";
const std::wstring kAdjust = L"调整偏差";

TEST(LineList, ReadsLinesAsAStringListDoes) {
  ASSERT_EQ(GetACP(), 936u) << "the tests run under the users' code page";
  struct Row {
    const char* what;
    std::string bytes;
    size_t max_lines;
    std::vector<std::wstring> lines;
  };
  const std::string long_line(10000, 'x');
  const Row rows[] = {
      {"CR LF", "12\r\n-3\r\n", 14, {L"12", L"-3"}},
      {"LF and CR alone", "a\nb\rc", 14, {L"a", L"b", L"c"}},
      {"empty lines count", "a\r\n\r\n\n\rb\r\n", 14, {L"a", L"", L"", L"", L"b"}},
      {"empty file", "", 14, {}},
      {"a lone line end", "\r\n", 14, {L""}},
      {"code page 936", kAdjustGbk + "\r\nfast\r\n", 14, {kAdjust, L"fast"}},
      {"only the first lines", "1\r\n2\r\n3\r\n4\r\n", 2, {L"1", L"2"}},
      {"no lines wanted", "1\r\n", 0, {}},
      {"binary bytes stay", std::string("a\0b\x01\r\n", 6), 14, {std::wstring(L"a\0b\x01", 4)}},
      {"a huge line is cut", long_line + "\r\nnext", 14,
       {std::wstring(viewer::kMaxLineBytes, L'x'), L"next"}},
  };
  TempDir dir;
  for (const Row& row : rows) {
    const std::wstring path = dir.File(L"lines.txt");
    ASSERT_TRUE(systest::WriteTextFile(path, row.bytes)) << row.what;
    const auto lines = ReadLineList(path, row.max_lines);
    ASSERT_TRUE(lines.has_value()) << row.what;
    EXPECT_EQ(*lines, row.lines) << row.what;
  }
  EXPECT_FALSE(ReadLineList(dir.File(L"missing.txt"), 14).has_value());
}

TEST(LineList, WritesEveryLineWithCrLfInTheCodePageAndReadsItBack) {
  TempDir dir;
  const std::wstring path = dir.File(L"SetSoft.conf");
  ASSERT_TRUE(systest::WriteTextFile(path, std::string(5000, 'z')));  // replaced whole
  const std::vector<std::wstring> lines = {L"-12", L"0", kAdjust, L"", L"noneall"};
  ASSERT_TRUE(WriteLineList(path, lines));
  EXPECT_EQ(systest::ReadTextFile(path), "-12\r\n0\r\n" + kAdjustGbk + "\r\n\r\nnoneall\r\n");
  EXPECT_EQ(ReadLineList(path, 14), lines);
  EXPECT_FALSE(WriteLineList(dir.File(L"no-such-folder\\x.txt"), lines));
}

}  // namespace
