#include "tools/mendfuzz/fuzz_run.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <exception>

#include "mendpak/HeaderData.h"
#include "mendpak/Patcher.h"

namespace mendfuzz {

namespace {

constexpr size_t kCompareChunk = 16 << 20;
// Larger targets are read only where bytes can have been put (see CompareTarget): reading
// gigabytes of holes fills the page cache and takes seconds.
constexpr uint64_t kExactCompareLimit = 64 << 20;
constexpr uint64_t kMargin = 1 << 20;
// What an apply keeps of its decoded records unless told otherwise.
constexpr int64_t kInstallerKeptRecords = 16 << 20;
constexpr int64_t kInstallerReplacedInMemory = 1 << 20;
constexpr size_t kFailureLines = 50;

using ProgressCalls = std::vector<std::pair<int, uint64_t>>;

class File {
 public:
  File(const std::wstring& path, DWORD access, DWORD creation)
      : handle_(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            creation, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~File() {
    if (opened()) CloseHandle(handle_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool opened() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE handle() const { return handle_; }

  bool MoveTo(uint64_t offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = int64_t(offset);
    return SetFilePointerEx(handle_, distance, nullptr, FILE_BEGIN) != 0;
  }
  bool WriteAll(const char* bytes, size_t count) {
    while (count > 0) {
      DWORD piece = DWORD(std::min<size_t>(count, 1 << 30));
      DWORD written = 0;
      if (!WriteFile(handle_, bytes, piece, &written, nullptr) || written == 0) return false;
      bytes += written;
      count -= written;
    }
    return true;
  }
  bool ReadAll(char* bytes, size_t count) {
    while (count > 0) {
      DWORD got = 0;
      if (!ReadFile(handle_, bytes, DWORD(count), &got, nullptr) || got == 0) return false;
      bytes += got;
      count -= got;
    }
    return true;
  }
  uint64_t Size() const {
    LARGE_INTEGER size;
    return GetFileSizeEx(handle_, &size) ? uint64_t(size.QuadPart) : 0;
  }

 private:
  HANDLE handle_;
};

std::string Ansi(const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(size_t(std::max(bytes, 1)), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &ansi[0], bytes, nullptr, nullptr);
  ansi.resize(ansi.size() - 1);
  return ansi;
}

// The largest size a file in `folder` can be given: found by halving between a size that
// works and one that does not.
uint64_t LargestFileSize(const std::wstring& folder) {
  std::wstring probe = folder + L"\\size-probe.bin";
  uint64_t works = 0;
  uint64_t fails = 1ull << 63;
  {
    File file(probe, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    while (file.opened() && fails - works > 1) {
      uint64_t middle = works + (fails - works) / 2;
      if (file.MoveTo(middle) && SetEndOfFile(file.handle())) {
        works = middle;
      } else {
        fails = middle;
      }
      file.MoveTo(0);
      SetEndOfFile(file.handle());
    }
  }
  DeleteFileW(probe.c_str());
  return works;
}

struct InstallerOutcome {
  bool found = false;
  bool result = false;
  bool write_failed = false;  // the apply met the write the input makes fail
  std::string escaped;  // what left the installer's code, if anything did
  ProgressCalls calls;  // start and position calls
};

// The installer's steps after the user pressed Apply, from finding the data on.
InstallerOutcome RunInstallerSteps(const std::string& installer_path,
                                   const std::wstring& target_path, const FuzzInput& input) {
  InstallerOutcome outcome;
  mendpak::SetKeptRecordsLimit(input.rereads_blocks ? 0 : kInstallerKeptRecords);
  mendpak::SetReplacedInMemoryLimit(input.replaced_in_file ? 0 : kInstallerReplacedInMemory);
  mendpak::ApplyCalls failing = mendpak::kNoFailingCalls;
  failing.target = input.failing_target_write;
  failing.kept = input.failing_kept_write;
  mendpak::SetFailingCalls(failing);
  auto progress = [&](int kind, uint64_t value) {
    if (kind != mendpak::kProgressWorking) outcome.calls.emplace_back(kind, value);
    return true;
  };
  try {
    std::unique_ptr<mendpak::TFileStream> data = mendpak::OpenPatchData(installer_path);
    if (data) {
      outcome.found = true;
      mendpak::ReadHeaderTexts(*data);
      int64_t flags_position = data->Position();
      data->SetPosition(flags_position);
      outcome.result = mendpak::ApplyPatch(target_path, *data, progress, input.restore);
      // A failing write is counted too: it was met when the count has gone past it.
      mendpak::ApplyCalls writes = mendpak::LastApplyCalls();
      auto met = [](int64_t failing, int64_t counted) { return failing >= 0 && failing < counted; };
      outcome.write_failed = met(input.failing_target_write, writes.target) ||
                             met(input.failing_kept_write, writes.kept);
    }
  } catch (const mendpak::EStreamError&) {
    outcome.escaped = "a stream error left the installer's code";
  } catch (const std::exception& error) {
    outcome.escaped = std::string("an exception left the installer's code: ") + error.what();
  } catch (...) {
    outcome.escaped = "an unknown exception left the installer's code";
  }
  mendpak::SetKeptRecordsLimit(kInstallerKeptRecords);
  mendpak::SetReplacedInMemoryLimit(kInstallerReplacedInMemory);
  mendpak::SetFailingCalls(mendpak::kNoFailingCalls);
  return outcome;
}

// The expected bytes of [start, start + count): the original's, zeros past its end, and the
// written records over them.
void ExpectedBytes(const std::string& original, const std::vector<TargetWrite>* writes,
                   uint64_t start, size_t count, char* out) {
  std::memset(out, 0, count);
  if (start < original.size()) {
    size_t present = size_t(std::min<uint64_t>(count, original.size() - start));
    std::memcpy(out, original.data() + start, present);
  }
  if (!writes) return;
  auto first = std::lower_bound(
      writes->begin(), writes->end(), start,
      [](const TargetWrite& write, uint64_t at) { return write.offset + write.bytes.size() <= at; });
  for (auto write = first; write != writes->end() && write->offset < start + count; ++write) {
    uint64_t from = std::max(write->offset, start);
    uint64_t to = std::min<uint64_t>(write->offset + write->bytes.size(), start + count);
    std::memcpy(out + (from - start), write->bytes.data() + (from - write->offset),
                size_t(to - from));
  }
}

// Empty when [start, end) of the target holds what it should; else where it differs.
std::string CompareRange(File& file, const std::string& original,
                         const std::vector<TargetWrite>* writes, uint64_t start, uint64_t end) {
  size_t chunk = size_t(std::min<uint64_t>(end - start, kCompareChunk));
  std::vector<char> actual(chunk);
  std::vector<char> expected(chunk);
  if (!file.MoveTo(start)) return "the target cannot be read afterwards";
  for (uint64_t at = start; at < end; at += chunk) {
    size_t count = size_t(std::min<uint64_t>(chunk, end - at));
    if (!file.ReadAll(actual.data(), count)) return "the target cannot be read afterwards";
    ExpectedBytes(original, writes, at, count, expected.data());
    if (std::memcmp(actual.data(), expected.data(), count) != 0) {
      size_t first = 0;
      while (actual[first] == expected[first]) ++first;
      return "target byte " + std::to_string(at + first) + " is " +
             std::to_string(uint8_t(actual[first])) + " instead of " +
             std::to_string(uint8_t(expected[first]));
    }
  }
  return "";
}

// Empty when the target holds what it should; else where it differs. Targets of more than
// kExactCompareLimit bytes are read where bytes can have been put, from the start to a
// margin past the original's end and the last record, and their last margin; the hole
// between is checked through the file's allocation, which a byte written there would grow.
std::string CompareTarget(const std::wstring& path, const std::string& original,
                          const Expectation* applied) {
  File file(path, GENERIC_READ, OPEN_EXISTING);
  if (!file.opened()) return "the target cannot be opened afterwards";
  uint64_t expected_size = applied ? applied->final_size : original.size();
  uint64_t size = file.Size();
  if (size != expected_size) {
    return "target of " + std::to_string(size) + " bytes instead of " +
           std::to_string(expected_size);
  }
  const std::vector<TargetWrite>* writes = applied ? &applied->writes : nullptr;
  if (size <= kExactCompareLimit) return CompareRange(file, original, writes, 0, size);
  uint64_t data_end = original.size();
  if (writes && !writes->empty()) {
    data_end = std::max<uint64_t>(data_end, writes->back().offset + writes->back().bytes.size());
  }
  uint64_t head_end = std::min(size, (data_end | (kMargin - 1)) + 1 + kMargin);
  uint64_t tail_start = std::max(head_end, size - kMargin);
  std::string difference = CompareRange(file, original, writes, 0, head_end);
  if (difference.empty()) difference = CompareRange(file, original, writes, tail_start, size);
  if (!difference.empty()) return difference;
  FILE_STANDARD_INFO info = {};
  GetFileInformationByHandleEx(file.handle(), FileStandardInfo, &info, sizeof info);
  uint64_t readable = head_end + (size - tail_start);
  if (uint64_t(info.AllocationSize.QuadPart) > readable) {
    return std::to_string(info.AllocationSize.QuadPart) +
           " bytes allocated to the target, more than the " + std::to_string(readable) +
           " where it can hold data";
  }
  return "";
}

std::string CompareProgress(const ProgressCalls& calls, const Expectation& expected) {
  ProgressCalls wanted;
  wanted.emplace_back(mendpak::kProgressStart, expected.final_size);
  for (uint64_t offset : expected.record_offsets) {
    wanted.emplace_back(mendpak::kProgressPosition, offset);
  }
  wanted.emplace_back(mendpak::kProgressPosition, expected.final_size);
  if (calls == wanted) return "";
  size_t at = 0;
  while (at < calls.size() && at < wanted.size() && calls[at] == wanted[at]) ++at;
  std::string text = std::to_string(calls.size()) + " progress calls instead of " +
                     std::to_string(wanted.size()) + ", first difference at call " +
                     std::to_string(at);
  if (at < calls.size()) {
    text += ": (" + std::to_string(calls[at].first) + ", " + std::to_string(calls[at].second) + ")";
  }
  return text;
}

std::string WithWhy(const std::string& text, const Expectation& expected) {
  return expected.why.empty() ? text : text + " [" + expected.why + "]";
}

}  // namespace

const char* FaultName(Fault fault) {
  switch (fault) {
    case Fault::None: return "none";
    case Fault::Crash: return "crash";
    case Fault::Hang: return "hang";
    case Fault::DamagedTarget: return "damaged target";
    case Fault::FalseSuccess: return "false success";
    case Fault::RefusedSound: return "refused a well-formed patch";
    case Fault::WrongProgress: return "wrong progress";
    case Fault::DamagedAfterFailedWrite: return "damaged target after a failed write";
  }
  return "?";
}

Workbench::Workbench(const std::wstring& installer_image) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  folder_ = std::wstring(temp) + L"mendfuzz-" + UniqueStamp();
  CreateDirectoryW(folder_.c_str(), nullptr);
  data_path_ = folder_ + L"\\installer.exe";
  target_path_ = folder_ + L"\\target.bin";
  std::string image = ReadWholeFile(installer_image);
  image.resize((image.size() + 511) / 512 * 512, '\0');
  if (image.empty()) image.assign(512, '\0');
  image_bytes_ = image.size();
  WriteWholeFile(data_path_, image);
  // Held open (sharing read and write, as the installer's own stream does) to write each
  // input's data after the image.
  data_file_ = CreateFileW(data_path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  largest_target_ = LargestFileSize(folder_);
}

Workbench::~Workbench() {
  if (data_file_ != INVALID_HANDLE_VALUE) CloseHandle(data_file_);
  DeleteFileW(data_path_.c_str());
  DeleteFileW(target_path_.c_str());
  RemoveDirectoryW(folder_.c_str());
}

bool Workbench::WriteData(const std::string& data) {
  LARGE_INTEGER end;
  end.QuadPart = int64_t(image_bytes_);
  for (size_t done = 0; done < data.size();) {
    DWORD written = 0;
    OVERLAPPED at = {};
    at.Offset = DWORD(end.QuadPart + int64_t(done));
    at.OffsetHigh = DWORD(uint64_t(end.QuadPart + int64_t(done)) >> 32);
    if (!WriteFile(data_file_, data.data() + done, DWORD(data.size() - done), &written, &at) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  end.QuadPart += int64_t(data.size());
  return SetFilePointerEx(data_file_, end, nullptr, FILE_BEGIN) && SetEndOfFile(data_file_);
}

// The target is written over and then cut to its size, never emptied first: ext4 flushes a
// file emptied and written again as it is closed, which costs a disk write per input.
bool Workbench::WriteTarget(const std::string& bytes) {
  File file(target_path_, GENERIC_WRITE, OPEN_ALWAYS);
  return file.opened() && file.MoveTo(0) && file.WriteAll(bytes.data(), bytes.size()) &&
         file.MoveTo(bytes.size()) && SetEndOfFile(file.handle());
}

CaseResult Workbench::Run(const FuzzInput& input) {
  CaseResult result;
  Expectation expected = WorkOutPatch(input.data, input.restore, largest_target_);
  result.expected = expected.verdict;
  if (!WriteData(input.data) || !WriteTarget(input.target)) {
    result.fault = Fault::Crash;
    result.detail = "the driver could not write its files";
    return result;
  }
  InstallerOutcome outcome = RunInstallerSteps(Ansi(data_path_), target_path_, input);
  if (!outcome.escaped.empty()) {
    result.fault = Fault::Crash;
    result.detail = outcome.escaped;
    return result;
  }
  bool applies = expected.verdict == Verdict::Applies;
  result.write_failed = outcome.write_failed;
  if (outcome.result && (!applies || outcome.write_failed)) {
    result.fault = Fault::FalseSuccess;
    result.detail = outcome.write_failed ? "success reported after a failed write"
                                         : WithWhy("success reported", expected);
    return result;
  }
  if (outcome.write_failed) {
    // Whatever the data, the target must be as it was.
    std::string difference = CompareTarget(target_path_, input.target, nullptr);
    if (!difference.empty()) {
      result.fault = Fault::DamagedAfterFailedWrite;
      result.detail = difference;
    }
    return result;
  }
  std::string difference =
      CompareTarget(target_path_, input.target, outcome.result ? &expected : nullptr);
  if (!difference.empty()) {
    result.fault = Fault::DamagedTarget;
    result.detail = WithWhy(difference + (outcome.result ? " after success" : " after failure"),
                            expected);
    return result;
  }
  if (!outcome.result && applies) {
    result.fault = Fault::RefusedSound;
    result.detail = outcome.found ? "failure reported" : "no patch data found";
    return result;
  }
  if (outcome.result) {
    std::string progress = CompareProgress(outcome.calls, expected);
    if (!progress.empty()) {
      result.fault = Fault::WrongProgress;
      result.detail = progress;
    }
  }
  return result;
}

std::string SaveInput(const FuzzInput& input, const std::string& what_failed) {
  std::string saved = "mendfuzz input\n";
  saved += "seed " + std::to_string(input.seed) + "\n";
  saved += "index " + std::to_string(input.index) + "\n";
  saved += std::string("restore ") + (input.restore ? "1" : "0") + "\n";
  saved += std::string("rereads ") + (input.rereads_blocks ? "1" : "0") + "\n";
  saved += std::string("replaced-in-file ") + (input.replaced_in_file ? "1" : "0") + "\n";
  saved += "failing-writes " + std::to_string(input.failing_target_write) + " " +
           std::to_string(input.failing_kept_write) + "\n";
  saved += "how " + input.how + "\n";
  saved += "failed " + what_failed + "\n";
  saved += "data " + std::to_string(input.data.size()) + "\n" + input.data + "\n";
  saved += "target " + std::to_string(input.target.size()) + "\n" + input.target + "\n";
  return saved;
}

bool LoadInput(const std::string& saved, FuzzInput& input) {
  size_t at = 0;
  auto line = [&](std::string& text) {
    size_t end = saved.find('\n', at);
    if (end == std::string::npos) return false;
    text = saved.substr(at, end - at);
    at = end + 1;
    return true;
  };
  auto bytes = [&](std::string& out) {
    size_t count = std::stoull(out);
    if (saved.size() - at < count + 1) return false;
    out = saved.substr(at, count);
    at += count + 1;
    return true;
  };
  std::string text;
  if (!line(text) || text != "mendfuzz input") return false;
  bool have_data = false;
  bool have_target = false;
  while (at < saved.size() && line(text)) {
    size_t space = text.find(' ');
    std::string key = text.substr(0, space);
    std::string value = space == std::string::npos ? "" : text.substr(space + 1);
    if (key == "seed") input.seed = std::stoull(value);
    if (key == "index") input.index = std::stoull(value);
    if (key == "restore") input.restore = value == "1";
    if (key == "rereads") input.rereads_blocks = value == "1";
    if (key == "replaced-in-file") input.replaced_in_file = value == "1";
    if (key == "failing-writes") {
      size_t second = value.find(' ');
      input.failing_target_write = std::stoll(value.substr(0, second));
      if (second != std::string::npos) input.failing_kept_write = std::stoll(value.substr(second));
    }
    if (key == "how") input.how = value;
    if (key == "data") {
      input.data = value;
      have_data = bytes(input.data);
    }
    if (key == "target") {
      input.target = value;
      have_target = bytes(input.target);
    }
  }
  return have_data && have_target;
}

std::wstring SavedInputName(const FuzzInput& input) {
  return L"seed-" + std::to_wstring(input.seed) + L"-input-" + std::to_wstring(input.index) +
         L".mfz";
}

bool SaveInputFile(const std::wstring& folder, const FuzzInput& input,
                   const std::string& what_failed) {
  CreateDirectoryW(folder.c_str(), nullptr);
  return WriteWholeFile(folder + L"\\" + SavedInputName(input), SaveInput(input, what_failed));
}

uint64_t Tally::faults() const {
  uint64_t total = 0;
  for (int kind = 1; kind < kFaultKinds; ++kind) total += by_fault[kind];
  return total;
}

void Tally::Add(const FuzzInput& input, const CaseResult& result) {
  ++inputs;
  ++by_verdict[int(result.expected)];
  ++by_fault[int(result.fault)];
  if (result.write_failed) ++failed_writes;
  if (result.fault != Fault::None && failures.size() < kFailureLines) {
    failures.push_back("seed " + std::to_string(input.seed) + " input " +
                       std::to_string(input.index) + ": " + FaultName(result.fault) + ": " +
                       result.detail + " (" + input.how + ")");
  }
}

void Tally::Merge(const Tally& other) {
  inputs += other.inputs;
  for (int i = 0; i < 3; ++i) by_verdict[i] += other.by_verdict[i];
  for (int i = 0; i < kFaultKinds; ++i) by_fault[i] += other.by_fault[i];
  failed_writes += other.failed_writes;
  for (const std::string& line : other.failures) {
    if (failures.size() < kFailureLines) failures.push_back(line);
  }
}

std::string Tally::Summary() const {
  std::string text = std::to_string(inputs) + " inputs: " +
                     std::to_string(by_verdict[int(Verdict::Applies)]) + " well-formed, " +
                     std::to_string(by_verdict[int(Verdict::Refused)]) + " to be refused, " +
                     std::to_string(by_verdict[int(Verdict::NoPatchData)]) +
                     " without patch data; a write made to fail in " +
                     std::to_string(failed_writes) + "\n";
  for (int kind = 1; kind < kFaultKinds; ++kind) {
    text += std::string(kind > 1 ? ", " : "") + FaultName(Fault(kind)) + " " +
            std::to_string(by_fault[kind]);
  }
  text += "\n";
  for (const std::string& line : failures) text += "  " + line + "\n";
  return text;
}

void RunInputs(Workbench& bench, const std::vector<PatchModel>& seeds, uint64_t seed,
               uint64_t first, uint64_t count, const std::wstring& save_folder, Tally& tally,
               const std::function<void(const FuzzInput*)>& starting) {
  for (uint64_t index = first; index < first + count; ++index) {
    FuzzInput input = MakeInput(seeds, seed, index);
    if (starting) starting(&input);
    CaseResult result = bench.Run(input);
    if (starting) starting(nullptr);
    tally.Add(input, result);
    if (result.fault != Fault::None && !save_folder.empty()) {
      SaveInputFile(save_folder, input, std::string(FaultName(result.fault)) + ": " + result.detail);
    }
  }
}

std::wstring UniqueStamp() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(uint64_t(now.QuadPart));
}

std::string ReadWholeFile(const std::wstring& path) {
  File file(path, GENERIC_READ, OPEN_EXISTING);
  std::string bytes;
  if (!file.opened()) return bytes;
  bytes.resize(size_t(file.Size()));
  if (!file.ReadAll(&bytes[0], bytes.size())) bytes.clear();
  return bytes;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  File file(path, GENERIC_WRITE, CREATE_ALWAYS);
  return file.opened() && file.WriteAll(bytes.data(), bytes.size());
}

}  // namespace mendfuzz
