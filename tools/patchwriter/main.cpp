// patchwriter OLD NEW OUTPUT [options]: writes a copy of the installer with the patch that
// turns OLD into NEW appended. A test and benchmark tool, never shipped.
//   --installer PATH   the installer to copy (default: MendpakHeader.exe beside this tool)
//   --old-bytes        carry the unpatched bytes, so the patch can also restore
//   --marker           end each block with an end marker inside its stated size
//   --block BYTES      record-stream bytes per block (default 1048576)
//   --gap BYTES        merge runs of changes closer than this (default 0)
//   --title TEXT       the window caption (default "测试补丁")
//   --note FILE        the RTF note
//   --data-only        write the patch data alone, not appended to the installer
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tools/patchwriter/patchwriter.h"

namespace {

std::wstring BesideThisTool(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring result(path, n);
  return result.substr(0, result.find_last_of(L"\\/") + 1) + name;
}

int Usage() {
  fwprintf(stderr, L"usage: patchwriter OLD NEW OUTPUT [--installer PATH] [--old-bytes] "
                   L"[--marker] [--block BYTES] [--gap BYTES] [--title TEXT] [--note FILE] "
                   L"[--data-only]\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return Usage();
  patchwriter::PatchOptions options;
  std::wstring installer = BesideThisTool(L"MendpakHeader.exe");
  bool data_only = false;
  for (int i = 4; i < argc; ++i) {
    std::wstring option = argv[i];
    bool has_value = i + 1 < argc;
    if (option == L"--old-bytes") {
      options.with_old = true;
    } else if (option == L"--marker") {
      options.block.end_marker = true;
    } else if (option == L"--data-only") {
      data_only = true;
    } else if (option == L"--installer" && has_value) {
      installer = argv[++i];
    } else if (option == L"--block" && has_value) {
      options.block_stream_bytes = wcstoul(argv[++i], nullptr, 10);
    } else if (option == L"--gap" && has_value) {
      options.merge_gap = wcstoul(argv[++i], nullptr, 10);
    } else if (option == L"--title" && has_value) {
      std::wstring title = argv[++i];
      options.header.title.assign(title.begin(), title.end());
    } else if (option == L"--note" && has_value) {
      options.header.note = patchwriter::ReadFileBytes(argv[++i]);
    } else {
      return Usage();
    }
  }
  std::string old_file = patchwriter::ReadFileBytes(argv[1]);
  std::string new_file = patchwriter::ReadFileBytes(argv[2]);
  std::string data = patchwriter::MakePatch(old_file, new_file, options);
  std::string output = data;
  if (!data_only) {
    std::string program = patchwriter::ReadFileBytes(installer);
    if (program.empty()) {
      fwprintf(stderr, L"patchwriter: cannot read %ls\n", installer.c_str());
      return 1;
    }
    output = patchwriter::AppendAtBoundary(program, data);
  }
  if (!patchwriter::WriteFileBytes(argv[3], output)) {
    fwprintf(stderr, L"patchwriter: cannot write %ls\n", argv[3]);
    return 1;
  }
  printf("%zu bytes of patch data\n", data.size());
  return 0;
}
