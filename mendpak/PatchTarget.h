// The target file of one apply: held open and unshared, written in place, and put back as it
// was, byte for byte and size included, when the apply fails or is stopped part-way.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mendpak {

// The bytes an apply replaces in its target, kept before they are overwritten: in memory up
// to a limit, the rest in a temporary file of the system's temporary folder. The file is
// deleted when it is closed, by the system too should the program end without closing it.
class ReplacedBytes {
 public:
  explicit ReplacedBytes(size_t memory_limit) : memory_limit_(memory_limit) {}
  ~ReplacedBytes();
  ReplacedBytes(const ReplacedBytes&) = delete;
  ReplacedBytes& operator=(const ReplacedBytes&) = delete;

  // Keeps the `count` bytes that lie at `offset`. False when they cannot be kept (no
  // temporary file, or no room in it): the caller must then not overwrite them. Whatever
  // was kept before, these bytes too, can still be put back.
  bool Keep(uint64_t offset, const uint8_t* bytes, size_t count);

  using TPiece = std::function<bool(uint64_t offset, const uint8_t* bytes, size_t count)>;
  // Hands every kept piece to `put`, in the order they were kept; false when a piece cannot
  // be read back or `put` fails (the pieces after it are still handed over).
  bool PutBack(const TPiece& put);

 private:
  bool Spill();
  bool OpenFile();

  size_t memory_limit_;
  // Pieces not in the file, each an offset (8 bytes), a count (4) and the bytes.
  std::vector<uint8_t> pieces_;
  size_t last_piece_ = 0;     // where the last piece in memory begins
  uint64_t last_end_ = 0;     // the target offset after its bytes
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::vector<size_t> spills_;  // the sizes of the runs of pieces the file holds in full
  uint64_t file_bytes_ = 0;
};

class PatchTarget {
 public:
  PatchTarget(const std::wstring& path, size_t replaced_in_memory);
  // A target whose apply did not finish is put back.
  ~PatchTarget();
  PatchTarget(const PatchTarget&) = delete;
  PatchTarget& operator=(const PatchTarget&) = delete;

  bool opened() const { return handle_ != INVALID_HANDLE_VALUE; }

  // Makes the file at least `size` bytes long before any record is written: a target that
  // its volume cannot make that large is refused before anything else changes.
  bool Reserve(uint64_t size);

  // Moves the cursor Delta forward and writes the bytes there; `offset` receives where.
  bool WriteRecord(uint32_t delta, const uint8_t* bytes, uint16_t count, uint64_t& offset);

  // Writes what is gathered, gives the file its final size and closes it.
  bool Finish(uint64_t size);

  // Puts back every replaced byte and the old size, and closes the file; true when the
  // target is as it was.
  bool PutBack();

 private:
  static constexpr size_t kWindowBytes = 256 * 1024;
  // A record this close to the previous one is gathered in a window with it.
  static constexpr uint64_t kCloseGap = 8 * 1024;

  bool Place(uint64_t offset, const uint8_t* bytes, size_t count, bool close);
  bool Flush();
  bool InWindow(uint64_t offset, size_t count) const;
  bool OpenWindow(uint64_t offset);
  bool WriteAlone(uint64_t offset, const uint8_t* bytes, size_t count);
  bool KeepReplaced(uint64_t offset, const uint8_t* bytes, size_t count);
  bool MoveTo(uint64_t offset);
  bool ReadAt(uint64_t offset, uint8_t* bytes, size_t count);
  bool WriteAt(uint64_t offset, const uint8_t* bytes, size_t count);
  bool SetSize(uint64_t size);
  void Close();

  HANDLE handle_;
  uint64_t old_size_ = 0;
  ReplacedBytes replaced_;
  bool changed_ = false;      // something was written or resized
  bool finished_ = false;
  bool putting_back_ = false;
  uint64_t cursor_ = 0;
  std::vector<uint8_t> window_;
  bool window_open_ = false;
  uint64_t window_start_ = 0;
  size_t dirty_begin_ = 0;
  size_t dirty_end_ = 0;
  std::vector<uint8_t> alone_;  // the replaced bytes of a record written alone
};

}  // namespace mendpak
