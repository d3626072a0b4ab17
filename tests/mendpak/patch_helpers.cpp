#include <gtest/gtest.h>

#include "tests/mendpak/patch_helpers.h"

namespace mendpak_test {

std::string RandomBytes(std::mt19937& rng, size_t count) {
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = char(rng());
  return bytes;
}

std::string WithChangedRuns(std::mt19937& rng, std::string source, int runs, size_t longest_run) {
  if (source.empty()) return source;
  for (int i = 0; i < runs; ++i) {
    size_t start = rng() % source.size();
    size_t length = 1 + rng() % longest_run;
    for (size_t at = start; at < start + length && at < source.size(); ++at) {
      source[at] = char(source[at] ^ (1 + rng() % 255));
    }
  }
  return source;
}

size_t FlagsPosition(const patchwriter::Header& header) {
  return 8 + 4 + 2 * header.title.size() + 4 + header.note.size();
}

std::string PatchData(const patchwriter::Header& header, const std::vector<std::string>& blocks) {
  std::string data = patchwriter::EncodeHeader(header);
  for (const std::string& block : blocks) data += block;
  return data;
}

ApplyOutcome RunApply(const systest::TempDir& dir, const ApplyRequest& request) {
  std::wstring data_path = dir.File(L"patch.dat");
  std::wstring target_path = dir.File(L"target.bin");
  patchwriter::WriteFileBytes(data_path, request.data);
  patchwriter::WriteFileBytes(target_path, request.target);
  ApplyOutcome outcome;
  {
    mendpak::TFileStream data(std::string(data_path.begin(), data_path.end()),
                              mendpak::fmOpenRead | mendpak::fmShareDenyNone);
    data.SetPosition(int64_t(request.flags_position));
    auto progress = [&](int kind, uint64_t value) {
      if (kind == mendpak::kProgressWorking) {
        return ++outcome.working_calls > 1 || !request.decline_working;
      }
      outcome.calls.emplace_back(kind, value);
      outcome.changes_at_call.push_back(mendpak::LastApplyCalls().target);
      return int(outcome.calls.size()) - 1 != request.decline_call;
    };
    outcome.result = mendpak::ApplyPatch(target_path, data, progress, request.restore);
    outcome.data_position = data.Position();
  }
  if (request.read_back) outcome.target = patchwriter::ReadFileBytes(target_path);
  return outcome;
}

::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  auto failure = ::testing::AssertionFailure();
  failure << "sizes " << actual.size() << " and " << expected.size() << ", first difference at "
          << at;
  if (at < actual.size() && at < expected.size()) {
    failure << ": " << int(uint8_t(actual[at])) << " instead of " << int(uint8_t(expected[at]));
  }
  return failure;
}

TemporaryFolder::TemporaryFolder(const std::wstring& folder) {
  wchar_t old[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"TMP", old, MAX_PATH);
  if (length > 0 && length < MAX_PATH) old_ = old;
  SetEnvironmentVariableW(L"TMP", folder.c_str());
}

TemporaryFolder::~TemporaryFolder() {
  SetEnvironmentVariableW(L"TMP", old_.empty() ? nullptr : old_.c_str());
}

int FilesIn(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int files = 0;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return files;
}

}  // namespace mendpak_test
