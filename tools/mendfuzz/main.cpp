// mendfuzz: runs the patch installer's own code on seeded damaged patches and checks that
// none of them does harm. A test tool, never shipped.
//
//   mendfuzz [--seed S] [--first I] [--count N] [--jobs J] [--save FOLDER] [--limit SECONDS]
//            [--installer PATH] [--report FILE]
//       runs inputs I .. I + N - 1 of the run S (default 1, 0, 10000) in J worker processes
//       side by side (default 1), each input with a time limit (default 20 s). Failing
//       inputs are saved in FOLDER (default .\mendfuzz-failures) as seed-S-input-I.mfz; the
//       counts go to FILE too when it is given.
//   mendfuzz --save-only [--seed S] [--first I] [--count N] [--save FOLDER]
//       saves inputs I .. I + N - 1 in FOLDER without running them: inputs that failed on
//       another build can be kept as replays
//   mendfuzz --merge FILE...   adds up the counts of several runs' report files
//   mendfuzz --replay FILE...  runs saved inputs again
// The exit code is 0 when no input found a fault.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "tools/mendfuzz/fuzz_run.h"

namespace {

using mendfuzz::FuzzInput;
using mendfuzz::Tally;

constexpr int kExitFault = 3;
constexpr uint64_t kLargestChunk = 20000;

struct Options {
  uint64_t seed = 1;
  uint64_t first = 0;
  uint64_t count = 10000;
  int jobs = 1;
  std::wstring save = L"mendfuzz-failures";
  DWORD limit_ms = 20000;
  std::wstring installer;
  std::wstring report;
  bool worker = false;
  bool save_only = false;
  std::vector<std::wstring> merge;
  std::vector<std::wstring> replay;
};

std::wstring BesideThisTool(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring result(path, length);
  return result.substr(0, result.find_last_of(L"\\/") + 1) + name;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH];
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

// Report files: the counts, the failure lines and, for a worker, the input where it stopped
// (-1: it ran every input it was given).
void WriteReport(const std::wstring& path, const Tally& tally, int64_t stopped_at) {
  if (path.empty()) return;
  std::string text = "stopped " + std::to_string(stopped_at) + "\ninputs " +
                     std::to_string(tally.inputs) + "\nverdicts";
  for (uint64_t count : tally.by_verdict) text += " " + std::to_string(count);
  text += "\nfaults";
  for (uint64_t count : tally.by_fault) text += " " + std::to_string(count);
  text += "\nfailedwrites " + std::to_string(tally.failed_writes) + "\n";
  for (const std::string& line : tally.failures) text += "failure " + line + "\n";
  mendfuzz::WriteWholeFile(path, text);
}

bool ReadReport(const std::wstring& path, Tally& tally, int64_t& stopped_at) {
  std::string text = mendfuzz::ReadWholeFile(path);
  if (text.empty()) return false;
  for (size_t at = 0; at < text.size();) {
    size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    at = end + 1;
    auto numbers = [&](uint64_t* out, int count) {
      size_t position = line.find(' ');
      for (int i = 0; i < count && position != std::string::npos; ++i) {
        out[i] = std::stoull(line.substr(position + 1));
        position = line.find(' ', position + 1);
      }
    };
    if (line.rfind("stopped ", 0) == 0) stopped_at = std::stoll(line.substr(8));
    if (line.rfind("inputs ", 0) == 0) tally.inputs = std::stoull(line.substr(7));
    if (line.rfind("verdicts", 0) == 0) numbers(tally.by_verdict, 3);
    if (line.rfind("faults", 0) == 0) numbers(tally.by_fault, mendfuzz::kFaultKinds);
    if (line.rfind("failedwrites ", 0) == 0) tally.failed_writes = std::stoull(line.substr(13));
    if (line.rfind("failure ", 0) == 0) tally.failures.push_back(line.substr(8));
  }
  return true;
}

// The worker's watchdog: a thread that ends the process when an input runs past its time
// limit or the process faults, after saving the input and reporting the counts so far.
class Watchdog {
 public:
  Watchdog(const Options& options, Tally& tally) : options_(options), tally_(tally) {
    fault_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    instance_ = this;
    SetUnhandledExceptionFilter(&Watchdog::OnException);
    signal(SIGABRT, &Watchdog::OnAbort);
    std::thread([this] { Watch(); }).detach();
  }

  void Starting(const FuzzInput* input) {
    started_ = GetTickCount64();
    current_.store(input);
  }

 private:
  // Both hand over to the watchdog's thread, which still has its stack, and wait there.
  static LONG WINAPI OnException(EXCEPTION_POINTERS* info) {
    instance_->fault_code_ = info->ExceptionRecord->ExceptionCode;
    SetEvent(instance_->fault_event_);
    Sleep(INFINITE);
    return EXCEPTION_CONTINUE_SEARCH;
  }

  static void OnAbort(int) {
    instance_->fault_code_ = 0xAB0127;
    SetEvent(instance_->fault_event_);
    Sleep(INFINITE);
  }

  void Watch() {
    for (;;) {
      bool faulted = WaitForSingleObject(fault_event_, 100) == WAIT_OBJECT_0;
      const FuzzInput* input = current_.load();
      bool late = input && GetTickCount64() - started_ > options_.limit_ms;
      if (!faulted && !late) continue;
      char what[64];
      if (faulted) {
        snprintf(what, sizeof what, "exception 0x%08lX", fault_code_);
      } else {
        snprintf(what, sizeof what, "over %lu ms", options_.limit_ms);
      }
      if (input) {
        mendfuzz::CaseResult result;
        result.fault = faulted ? mendfuzz::Fault::Crash : mendfuzz::Fault::Hang;
        result.detail = what;
        tally_.Add(*input, result);
        mendfuzz::SaveInputFile(options_.save, *input,
                                std::string(mendfuzz::FaultName(result.fault)) + ": " + what);
      }
      WriteReport(options_.report, tally_, input ? int64_t(input->index) : -1);
      fprintf(stderr, "mendfuzz: %s: %s%s\n", faulted ? "crash" : "hang", what,
              input ? "" : " outside an input");
      fflush(stderr);
      TerminateProcess(GetCurrentProcess(), kExitFault);
    }
  }

  static Watchdog* instance_;
  const Options& options_;
  Tally& tally_;
  HANDLE fault_event_ = nullptr;
  DWORD fault_code_ = 0;
  std::atomic<const FuzzInput*> current_{nullptr};
  std::atomic<uint64_t> started_{0};
};

Watchdog* Watchdog::instance_ = nullptr;

void RunWorker(const Options& options) {
  Tally tally;
  Watchdog watchdog(options, tally);
  mendfuzz::Workbench bench(options.installer);
  std::vector<mendfuzz::PatchModel> seeds =
      mendfuzz::MakeSeedPatches(options.seed, mendfuzz::kSeedPatchCount);
  mendfuzz::RunInputs(bench, seeds, options.seed, options.first, options.count, options.save,
                      tally, [&](const FuzzInput* input) { watchdog.Starting(input); });
  WriteReport(options.report, tally, -1);
}

struct Worker {
  PROCESS_INFORMATION process = {};
  uint64_t first = 0;
  uint64_t count = 0;
  int tries = 0;
  std::wstring report;
};

// A worker that ends without a report (Wine can fail to start a process on a loaded
// machine) is started again this often before the run gives up.
constexpr int kWorkerTries = 3;

bool StartWorker(const Options& options, Worker& worker, int number) {
  // The processes of a run share the save folder: the names are this process's own.
  worker.report = options.save + L"\\worker-" + mendfuzz::UniqueStamp() + L"-" +
                  std::to_wstring(number) + L".txt";
  DeleteFileW(worker.report.c_str());
  std::wstring command = L"\"" + BesideThisTool(L"mendfuzz.exe") + L"\" --worker --seed " +
                         std::to_wstring(options.seed) + L" --first " +
                         std::to_wstring(worker.first) + L" --count " +
                         std::to_wstring(worker.count) + L" --limit " +
                         std::to_wstring(options.limit_ms / 1000) + L" --save \"" +
                         options.save + L"\" --installer \"" + options.installer +
                         L"\" --report \"" + worker.report + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(L'\0');
  return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &worker.process) != 0;
}

// Hands out the inputs in chunks to `jobs` worker processes; a worker that stops at a
// faulting input is followed by one that takes the rest of its chunk.
bool RunInWorkers(const Options& options, Tally& total) {
  CreateDirectoryW(options.save.c_str(), nullptr);
  uint64_t chunk = std::max<uint64_t>(
      1, std::min(kLargestChunk, options.count / uint64_t(options.jobs) / 4 + 1));
  std::vector<Worker> chunks;
  for (uint64_t first = options.first; first < options.first + options.count; first += chunk) {
    Worker worker;
    worker.first = first;
    worker.count = std::min(chunk, options.first + options.count - first);
    chunks.push_back(worker);
  }
  std::reverse(chunks.begin(), chunks.end());
  std::vector<Worker> running;
  int started = 0;
  while (!chunks.empty() || !running.empty()) {
    while (!chunks.empty() && int(running.size()) < options.jobs) {
      Worker worker = chunks.back();
      chunks.pop_back();
      ++worker.tries;
      if (!StartWorker(options, worker, started++)) {
        fprintf(stderr, "mendfuzz: cannot start a worker\n");
        return false;
      }
      running.push_back(worker);
    }
    std::vector<HANDLE> handles;
    for (const Worker& worker : running) handles.push_back(worker.process.hProcess);
    DWORD ended = WaitForMultipleObjects(DWORD(handles.size()), handles.data(), FALSE, INFINITE) -
                  WAIT_OBJECT_0;
    Worker done = running[ended];
    running.erase(running.begin() + ended);
    DWORD exit_code = 0;
    GetExitCodeProcess(done.process.hProcess, &exit_code);
    CloseHandle(done.process.hProcess);
    CloseHandle(done.process.hThread);
    Tally tally;
    int64_t stopped_at = -1;
    if (!ReadReport(done.report, tally, stopped_at)) {
      fprintf(stderr, "mendfuzz: the worker for inputs %llu to %llu ended (code %lu) without "
                      "a report%s\n",
              (unsigned long long)done.first, (unsigned long long)(done.first + done.count - 1),
              exit_code, done.tries < kWorkerTries ? "; starting it again" : "");
      if (done.tries >= kWorkerTries) return false;
      chunks.push_back(done);
      continue;
    }
    DeleteFileW(done.report.c_str());
    total.Merge(tally);
    uint64_t end = done.first + done.count;
    if (stopped_at >= 0 && uint64_t(stopped_at) + 1 < end) {
      Worker rest;
      rest.first = uint64_t(stopped_at) + 1;
      rest.count = end - rest.first;
      chunks.push_back(rest);
    }
    fprintf(stderr, "mendfuzz: %llu of %llu inputs done, %llu faults\n",
            (unsigned long long)total.inputs, (unsigned long long)options.count,
            (unsigned long long)total.faults());
  }
  return true;
}

int Replay(const Options& options) {
  mendfuzz::Workbench bench(options.installer);
  Tally tally;
  for (const std::wstring& path : options.replay) {
    FuzzInput input;
    if (!mendfuzz::LoadInput(mendfuzz::ReadWholeFile(path), input)) {
      fwprintf(stderr, L"mendfuzz: %ls is no saved input\n", path.c_str());
      return 2;
    }
    tally.Add(input, bench.Run(input));
  }
  printf("%s", tally.Summary().c_str());
  return tally.faults() == 0 ? 0 : kExitFault;
}

int SaveOnly(const Options& options) {
  std::vector<mendfuzz::PatchModel> seeds =
      mendfuzz::MakeSeedPatches(options.seed, mendfuzz::kSeedPatchCount);
  for (uint64_t index = options.first; index < options.first + options.count; ++index) {
    mendfuzz::FuzzInput input = mendfuzz::MakeInput(seeds, options.seed, index);
    if (!mendfuzz::SaveInputFile(options.save, input, "not run (saved with --save-only)")) {
      fwprintf(stderr, L"mendfuzz: cannot save in %ls\n", options.save.c_str());
      return 2;
    }
  }
  return 0;
}

int Merge(const Options& options) {
  Tally total;
  for (const std::wstring& path : options.merge) {
    Tally tally;
    int64_t stopped_at = -1;
    if (!ReadReport(path, tally, stopped_at)) {
      fwprintf(stderr, L"mendfuzz: %ls is no report\n", path.c_str());
      return 2;
    }
    total.Merge(tally);
  }
  printf("%s", total.Summary().c_str());
  return total.faults() == 0 ? 0 : kExitFault;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::wstring name = argv[i];
    if (name == L"--worker") {
      options.worker = true;
    } else if (name == L"--save-only") {
      options.save_only = true;
    } else if (name == L"--replay" || name == L"--merge") {
      auto& files = name == L"--replay" ? options.replay : options.merge;
      files.assign(argv + i + 1, argv + argc);
      i = argc;
    } else if (i + 1 == argc) {
      return false;
    } else if (name == L"--seed") {
      options.seed = std::wcstoull(argv[++i], nullptr, 10);
    } else if (name == L"--first") {
      options.first = std::wcstoull(argv[++i], nullptr, 10);
    } else if (name == L"--count") {
      options.count = std::wcstoull(argv[++i], nullptr, 10);
    } else if (name == L"--jobs") {
      options.jobs = std::max(1, _wtoi(argv[++i]));
    } else if (name == L"--limit") {
      options.limit_ms = DWORD(std::max(1, _wtoi(argv[++i]))) * 1000;
    } else if (name == L"--save") {
      options.save = argv[++i];
    } else if (name == L"--installer") {
      options.installer = argv[++i];
    } else if (name == L"--report") {
      options.report = argv[++i];
    } else {
      return false;
    }
  }
  if (options.installer.empty()) options.installer = BesideThisTool(L"MendpakHeader.exe");
  options.save = FullPath(options.save);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    fprintf(stderr, "usage: mendfuzz [--seed S] [--first I] [--count N] [--jobs J] "
                    "[--save FOLDER] [--limit SECONDS] [--installer PATH] [--report FILE]\n"
                    "       mendfuzz --save-only [--seed S] [--first I] [--count N] "
                    "[--save FOLDER]\n"
                    "       mendfuzz --merge REPORT...\n"
                    "       mendfuzz --replay FILE...\n");
    return 2;
  }
  if (!options.replay.empty()) return Replay(options);
  if (!options.merge.empty()) return Merge(options);
  if (options.save_only) return SaveOnly(options);
  if (options.worker) {
    RunWorker(options);
    return 0;
  }
  ULONGLONG start = GetTickCount64();
  Tally tally;
  if (!RunInWorkers(options, tally)) return 2;
  WriteReport(options.report, tally, -1);
  printf("seed %llu, inputs %llu to %llu, %d worker processes, %.1f s\n%s",
         (unsigned long long)options.seed, (unsigned long long)options.first,
         (unsigned long long)(options.first + options.count - 1), options.jobs,
         double(GetTickCount64() - start) / 1000.0, tally.Summary().c_str());
  if (tally.faults() > 0) wprintf(L"failing inputs saved in %ls\n", options.save.c_str());
  return tally.faults() == 0 ? 0 : kExitFault;
}
