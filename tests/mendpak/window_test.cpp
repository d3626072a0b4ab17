// The installer as a user meets it: a copy of MendpakHeader.exe with patch data appended,
// started as a process, driven through its window, the real open-file dialog and its
// message boxes, and the target's bytes compared afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "tests/mendpak/patch_helpers.h"

namespace mendpak_test {
namespace {

std::wstring Text(HWND window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 10000, &length);
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                      SMTO_NORMAL, 10000, &copied);
  text.resize(copied);
  return text;
}

std::string Utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

struct ChildQuery {
  const wchar_t* class_name;
  const wchar_t* text;  // nullptr: any
  HWND found = nullptr;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM parameter) {
  auto* query = reinterpret_cast<ChildQuery*>(parameter);
  if (_wcsicmp(systest::WindowClass(window).c_str(), query->class_name) != 0) return TRUE;
  if (query->text && Text(window) != query->text) return TRUE;
  query->found = window;
  return FALSE;
}

HWND FindChild(HWND parent, const wchar_t* class_name, const wchar_t* text = nullptr) {
  ChildQuery query{class_name, text};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

// Child rectangle in the parent's client coordinates.
RECT ChildRect(HWND parent, HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Presses a button as a user could: once it and its window are enabled (a modal dialog
// or message box disables the window, not the button). BM_CLICK is posted, not sent: the
// click runs the command (an apply, a modal dialog) inside the installer's own thread, and
// a posted message cannot be lost the way a pointer click through SendInput can be under
// load (a foreground change that fails, a pointer warp overtaken by an older one).
bool PressButton(HWND button) {
  HWND window = GetAncestor(button, GA_ROOT);
  if (!systest::WaitUntil([&] { return IsWindowEnabled(button) && IsWindowEnabled(window); })) {
    return false;
  }
  return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

// The bar's position, or -1 when the installer does not answer in time.
LRESULT BarPosition(HWND bar) {
  DWORD_PTR position = DWORD_PTR(-1);
  if (!SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 10000, &position)) return -1;
  return LRESULT(position);
}

// While the apply checks the blocks the bar runs as a marquee; while it writes it shows the
// position.
bool BarWorking(HWND bar) { return (GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE) != 0; }

class InstallerTest : public ::testing::Test {
 protected:
  std::wstring MakeInstaller(const std::string& data, const wchar_t* name = L"setup.exe") {
    std::string program =
        patchwriter::ReadFileBytes(systest::ProgramPath(L"MendpakHeader.exe"));
    std::wstring path = dir_.File(name);
    EXPECT_TRUE(patchwriter::WriteFileBytes(path, patchwriter::AppendAtBoundary(program, data)));
    return path;
  }

  std::wstring WriteTarget(const std::string& bytes) {
    std::wstring path = dir_.File(L"target.bin");
    patchwriter::WriteFileBytes(path, bytes);
    return path;
  }

  std::string TargetBytes() { return patchwriter::ReadFileBytes(dir_.File(L"target.bin")); }

  HWND StartInstaller(const std::wstring& path) {
    process_ = systest::Process::Start(path, L"", dir_.path());
    if (!process_.valid()) return nullptr;
    return systest::WaitForWindow({L"MendpakMaker", L"", process_.id()});
  }

  // Presses the button and waits for the dialog it opens.
  HWND ClickUntilDialog(HWND button, const wchar_t* caption = L"") {
    if (!PressButton(button)) return nullptr;
    return systest::WaitForWindow({L"#32770", caption, process_.id()});
  }

  // Browse, then the real open-file dialog: the path typed into its file-name box, Open.
  void BrowseTo(HWND main, const std::wstring& path) {
    HWND dialog = ClickUntilDialog(GetDlgItem(main, 102));
    ASSERT_NE(dialog, nullptr) << "no open-file dialog";
    HWND name_box = GetDlgItem(dialog, 0x480);  // the file-name edit
    if (!name_box) name_box = FindChild(GetDlgItem(dialog, 0x47C), L"Edit");
    if (!name_box) name_box = FindChild(dialog, L"Edit");
    ASSERT_NE(name_box, nullptr) << "no file-name box";
    SendMessageW(name_box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    ASSERT_TRUE(systest::WaitUntil([&] { return !IsWindow(dialog); })) << "dialog stays";
    ASSERT_TRUE(systest::WaitUntil([&] { return Text(GetDlgItem(main, 101)) == path; }))
        << "path box shows " << Utf8(Text(GetDlgItem(main, 101)));
  }

  // Apply, then the result box: returns its text and closes it.
  std::wstring ApplyAndReadBox(HWND main, const wchar_t* caption) {
    HWND box = ClickUntilDialog(GetDlgItem(main, 104), caption);
    if (!box) return L"(no message box " + std::wstring(caption) + L")";
    std::wstring text = Text(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    systest::WaitUntil([&] { return !IsWindow(box); });
    return text;
  }

  systest::TempDir dir_;
  systest::Process process_;
};

patchwriter::PatchOptions Options(bool with_old, const std::u16string& title = u"测试补丁") {
  patchwriter::PatchOptions options;
  options.with_old = with_old;
  options.header.title = title;
  return options;
}

TEST_F(InstallerTest, WithoutDataItEndsSilently) {
  std::wstring plain = dir_.File(L"plain.exe");
  ASSERT_TRUE(systest::CopyProgram(L"MendpakHeader.exe", plain));
  process_ = systest::Process::Start(plain, L"", dir_.path());
  ASSERT_TRUE(process_.WaitForExit());
  EXPECT_EQ(process_.ExitCode(), 0u);
}

TEST_F(InstallerTest, HeadersWhoseLengthsRunPastTheEndAreNotPatchData) {
  patchwriter::Header header;
  std::string sound = patchwriter::EncodeHeader(header);
  struct Row {
    const char* name;
    std::string data;
  };
  std::string long_title = sound;
  long_title.replace(8, 4, "\xFF\xFF\xFF\x7F", 4);
  std::string long_note = sound;
  long_note.replace(12 + 2 * header.title.size(), 4, "\x00\x00\x00\x10", 4);
  const Row rows[] = {{"title length", long_title},
                      {"note length", long_note},
                      {"sizes cut", sound.substr(0, sound.size() - 1)},
                      {"magic alone", "PATCHDAT"},
                      {"no magic, size not a multiple of 512", std::string(700, 'j')}};
  for (const Row& row : rows) {
    process_ = systest::Process::Start(MakeInstaller(row.data), L"", dir_.path());
    ASSERT_TRUE(process_.WaitForExit()) << row.name;
    EXPECT_EQ(process_.ExitCode(), 0u) << row.name;
  }
}

// A copy of the program with a complete, empty header written where its relocation section
// begins, a 512-byte boundary inside its own image.
std::string WithHeaderInsideImage(std::string program) {
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(program.data());
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(program.data() + dos->e_lfanew);
  auto section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (std::string(reinterpret_cast<const char*>(section->Name), 6) == ".reloc") {
      std::string fake = patchwriter::EncodeHeader(patchwriter::Header{u"fake", "", 0, 0, 0});
      program.replace(section->PointerToRawData, fake.size(), fake);
      return program;
    }
  }
  return std::string();
}

TEST_F(InstallerTest, ItsOwnImageIsNotPatchData) {
  std::string program = WithHeaderInsideImage(
      patchwriter::ReadFileBytes(systest::ProgramPath(L"MendpakHeader.exe")));
  ASSERT_FALSE(program.empty()) << "no relocation section";
  std::wstring alone = dir_.File(L"alone.exe");
  patchwriter::WriteFileBytes(alone, program);
  process_ = systest::Process::Start(alone, L"", dir_.path());
  ASSERT_TRUE(process_.WaitForExit()) << "a window was shown for the image's own bytes";
  EXPECT_EQ(process_.ExitCode(), 0u);

  std::wstring with_data = dir_.File(L"with-data.exe");
  patchwriter::WriteFileBytes(
      with_data, patchwriter::AppendAtBoundary(
                     program, patchwriter::MakePatch("a", "b", Options(false, u"真的补丁"))));
  HWND main = StartInstaller(with_data);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(systest::WindowCaption(main), L"真的补丁");
}

TEST_F(InstallerTest, MagicAtTheSecondBoundaryAfterOtherBytes) {
  std::string data = std::string(512, 'j') + patchwriter::MakePatch("a", "b", Options(false));
  HWND main = StartInstaller(MakeInstaller(data));
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(systest::WindowCaption(main), L"测试补丁");
}

TEST_F(InstallerTest, WindowLayoutTextsAndStyles) {
  for (bool with_old : {false, true}) {
    SCOPED_TRACE(with_old ? "with old bytes" : "without old bytes");
    patchwriter::PatchOptions options = Options(with_old, u"");
    options.header.note = "{\\rtf1\\ansi Read me first\\par}";
    HWND main = StartInstaller(MakeInstaller(patchwriter::MakePatch("ab", "ac", options)));
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(systest::WindowCaption(main), L"") << "title of length 0";
    LONG style = GetWindowLongW(main, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    RECT client;
    GetClientRect(main, &client);
    HWND label = FindChild(main, L"Static", L"目标文件:");
    HWND path = GetDlgItem(main, 101);
    HWND browse = GetDlgItem(main, 102);
    HWND apply = GetDlgItem(main, 104);
    HWND bar = GetDlgItem(main, 105);
    HWND notes = FindChild(main, L"RichEdit50W");
    HWND restore = FindChild(main, L"Button", L"还原数据");
    ASSERT_TRUE(label && path && browse && apply && bar && notes);
    EXPECT_EQ(Text(browse), L"浏览");
    EXPECT_EQ(Text(apply), L"应用补丁!");
    EXPECT_FALSE(IsWindowEnabled(apply)) << "no target yet";
    EXPECT_EQ(Text(path), L"");
    EXPECT_NE(Utf8(Text(notes)).find("Read me first"), std::string::npos)
        << "note shows " << Utf8(Text(notes));
    EXPECT_EQ(restore != nullptr, with_old);
    RECT bar_rect = ChildRect(main, bar);
    EXPECT_EQ(bar_rect.left, 8);
    EXPECT_EQ(bar_rect.top, client.bottom - 28);
    EXPECT_EQ(bar_rect.right - bar_rect.left, client.right - (with_old ? 164 : 98));
    RECT apply_rect = ChildRect(main, apply);
    EXPECT_EQ(apply_rect.left, client.right - 88);
    if (restore) {
      RECT restore_rect = ChildRect(main, restore);
      EXPECT_EQ(restore_rect.left, client.right - 154);
      EXPECT_GT(restore_rect.left, bar_rect.right) << "between the bar and the button";
      EXPECT_LT(restore_rect.right, apply_rect.left) << "between the bar and the button";
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(process_.WaitForExit());
    EXPECT_EQ(process_.ExitCode(), 0u);
  }
}

TEST_F(InstallerTest, BrowseApplyAndRestore) {
  std::mt19937 rng(5);
  std::string old_file = RandomBytes(rng, 200000);
  std::string new_file = WithChangedRuns(rng, old_file, 300, 20) + RandomBytes(rng, 1000);
  HWND main = StartInstaller(
      MakeInstaller(patchwriter::MakePatch(old_file, new_file, Options(true))));
  ASSERT_NE(main, nullptr);
  std::wstring target = WriteTarget(old_file);
  BrowseTo(main, target);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 104)));

  EXPECT_EQ(ApplyAndReadBox(main, L"成功"), L"补丁应用成功!");
  EXPECT_TRUE(SameBytes(TargetBytes(), new_file)) << "applied";
  HWND bar = GetDlgItem(main, 105);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), LRESULT(new_file.size() / 256));
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), LRESULT(new_file.size() / 256));

  HWND restore = FindChild(main, L"Button", L"还原数据");
  ASSERT_NE(restore, nullptr);
  ASSERT_TRUE(PressButton(restore));
  ASSERT_TRUE(systest::WaitUntil(
      [&] { return SendMessageW(restore, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
  EXPECT_EQ(ApplyAndReadBox(main, L"成功"), L"补丁应用成功!");
  EXPECT_TRUE(SameBytes(TargetBytes(), old_file)) << "restored";
}

TEST_F(InstallerTest, BrowseCancelledChangesNothing) {
  HWND main = StartInstaller(MakeInstaller(patchwriter::MakePatch("a", "b", Options(false))));
  ASSERT_NE(main, nullptr);
  HWND dialog = ClickUntilDialog(GetDlgItem(main, 102));
  ASSERT_NE(dialog, nullptr);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  ASSERT_TRUE(systest::WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(Text(GetDlgItem(main, 101)), L"");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 104)));
}

TEST_F(InstallerTest, FailuresShowTheErrorBoxAndLeaveTheTarget) {
  std::mt19937 rng(8);
  std::string old_file = RandomBytes(rng, 100000);
  std::string new_file = WithChangedRuns(rng, old_file, 200, 10);
  patchwriter::PatchOptions options = Options(false);
  options.block_stream_bytes = 1000;
  std::string data = patchwriter::MakePatch(old_file, new_file, options);
  data.resize(data.size() - 20);  // the last block cut short
  HWND main = StartInstaller(MakeInstaller(data));
  ASSERT_NE(main, nullptr);
  std::wstring target = WriteTarget(old_file);
  BrowseTo(main, target);
  EXPECT_EQ(ApplyAndReadBox(main, L"错误"), L"应用补丁失败!");
  EXPECT_TRUE(SameBytes(TargetBytes(), old_file)) << "damaged data";
  EXPECT_FALSE(BarWorking(GetDlgItem(main, 105))) << "the marquee runs on after the check";

  DeleteFileW(target.c_str());
  EXPECT_EQ(ApplyAndReadBox(main, L"错误"), L"应用补丁失败!") << "target gone";
}

FILETIME LastWriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

TEST_F(InstallerTest, ClosingDuringAnApplyLeavesTheTargetAsItWas) {
  // 24 MiB of new random bytes keep the check decoding for a second or more; a million
  // small records after them keep the writes going as long. The random bytes do not
  // compress: they are coded as literals, which is quick.
  std::mt19937 rng(11);
  const size_t kRandomPart = 24u << 20;
  std::string old_file = RandomBytes(rng, 32u << 20);
  std::string new_file = RandomBytes(rng, kRandomPart) + old_file.substr(kRandomPart);
  for (size_t at = kRandomPart; at < new_file.size(); at += 8) new_file[at] = char(~new_file[at]);
  patchwriter::PatchOptions options = Options(false);
  options.block.literals_only = true;
  std::wstring installer = MakeInstaller(patchwriter::MakePatch(old_file, new_file, options));

  // The bytes the writes replace are kept in a temporary file past 1 MiB: the folder is the
  // test's own, so that what stays there can be seen.
  std::wstring temporary_folder = dir_.File(L"tmp");
  CreateDirectoryW(temporary_folder.c_str(), nullptr);
  TemporaryFolder temporary(temporary_folder);
  struct Close {
    const char* name;
    bool during_check;
    uint64_t written;  // during the writes: how far they have come at least
  };
  // The last row closes once more than the first 3 MiB, one long run, are written: the
  // bytes they replaced are kept as one long piece.
  const Close closes[] = {{"closed during the check", true, 0},
                          {"closed as the writes begin", false, 0},
                          {"closed after 3 MiB of one long run", false, 3u << 20}};
  for (const Close& close : closes) {
    SCOPED_TRACE(close.name);
    std::wstring target = WriteTarget(old_file);
    FILETIME written = LastWriteTime(target);
    HWND main = StartInstaller(installer);
    ASSERT_NE(main, nullptr);
    BrowseTo(main, target);
    HWND bar = GetDlgItem(main, 105);
    ASSERT_TRUE(PressButton(GetDlgItem(main, 104)));
    if (close.during_check) {
      ASSERT_TRUE(systest::WaitUntil([&] { return BarWorking(bar); })) << "no marquee";
      // The window answers at once while the blocks are decoded.
      for (int i = 0; i < 5; ++i) {
        DWORD_PTR answer = 0;
        EXPECT_TRUE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 250, &answer))
            << "no answer within 250 ms, message " << i;
      }
      ASSERT_TRUE(BarWorking(bar)) << "the check ended before the close";
    } else {
      // The position only grows from the first record written until the process ends, so
      // the running writes cannot be missed between two polls.
      LRESULT past = LRESULT(close.written / 256);
      ASSERT_TRUE(systest::WaitUntil([&] { return !BarWorking(bar) && BarPosition(bar) > past; }))
          << "the writes did not get that far";
      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 104))) << "apply while applying";
      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 102))) << "browse while applying";
      // A second apply asked for directly is ignored too.
      PostMessageW(main, WM_COMMAND, MAKEWPARAM(104, BN_CLICKED), 0);
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(process_.WaitForExit()) << "still running (a message box?)";
    EXPECT_EQ(process_.ExitCode(), 0u);
    EXPECT_TRUE(SameBytes(TargetBytes(), old_file));
    EXPECT_EQ(FilesIn(temporary_folder), 0) << "a temporary file stays";
    // Closed during the check, nothing was written; during the writes, they were undone.
    FILETIME now = LastWriteTime(target);
    EXPECT_EQ(CompareFileTime(&now, &written) == 0, close.during_check)
        << "time of the last write";
  }
}

TEST_F(InstallerTest, ProgressRangeOfASmallTarget) {
  HWND main = StartInstaller(MakeInstaller(patchwriter::MakePatch("abc", "abd", Options(false))));
  ASSERT_NE(main, nullptr);
  BrowseTo(main, WriteTarget("abc"));
  EXPECT_EQ(ApplyAndReadBox(main, L"成功"), L"补丁应用成功!");
  HWND bar = GetDlgItem(main, 105);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 0);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(TargetBytes(), "abd");
}

}  // namespace
}  // namespace mendpak_test

namespace mendpak_test {
namespace {

std::string Resource(HMODULE module, LPCWSTR type, LPCWSTR name) {
  HRSRC found = FindResourceW(module, name, type);
  if (!found) return std::string();
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
  return std::string(bytes, SizeofResource(module, found));
}

TEST(InstallerResources, IconManifestAndVersion) {
  std::wstring program = systest::ProgramPath(L"MendpakHeader.exe");
  HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  std::string icons = Resource(module, RT_GROUP_ICON, MAKEINTRESOURCEW(1));
  ASSERT_EQ(icons.size(), 6u + 2 * 14) << "icon group 1 with two images";
  for (int i = 0; i < 2; ++i) {
    const uint8_t* entry = reinterpret_cast<const uint8_t*>(icons.data()) + 6 + 14 * i;
    EXPECT_EQ(entry[0], i == 0 ? 16 : 32) << "image " << i;
    EXPECT_EQ(entry[6], 24) << "bits per pixel of image " << i;
  }
  std::string manifest = Resource(module, RT_MANIFEST, MAKEINTRESOURCEW(1));
  EXPECT_NE(manifest.find("name=\"Mendpak\" version=\"1.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  std::string version = Resource(module, RT_VERSION, MAKEINTRESOURCEW(1));
  ASSERT_GE(version.size(), 40 + sizeof(VS_FIXEDFILEINFO));
  FreeLibrary(module);

  DWORD handle = 0;
  std::vector<char> block(GetFileVersionInfoSizeW(program.c_str(), &handle));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, DWORD(block.size()), block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00000004u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x0001000Du);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00000004u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x0001000Du);
  const wchar_t* names[] = {L"\\StringFileInfo\\080404B0\\ProductName",
                            L"\\StringFileInfo\\080404B0\\InternalName"};
  for (const wchar_t* name : names) {
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), name, reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, L"Mendpak");
  }
}

}  // namespace
}  // namespace mendpak_test
