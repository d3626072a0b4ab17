// The target file of one apply: held open and unshared, written in place, and put back as it
// was, byte for byte and size included, when the apply fails or is stopped part-way.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mendpak {

// What a put-back hands the kept pieces to, one at a time.
class PieceSink {
 public:
  // False when the piece could not be put back.
  virtual bool Put(uint64_t offset, const uint8_t* bytes, size_t count) noexcept = 0;

 protected:
  ~PieceSink() = default;
};

// The bytes an apply replaces in its target, kept before they are overwritten: in memory up
// to a limit, the rest in a temporary file of the system's temporary folder. The file is
// deleted when it is closed, by the system too should the program end without closing it.
class ReplacedBytes {
 public:
  // The most bytes one call keeps: a record's.
  static constexpr size_t kLargestKeep = UINT16_MAX;

  explicit ReplacedBytes(size_t memory_limit);
  ~ReplacedBytes();
  ReplacedBytes(const ReplacedBytes&) = delete;
  ReplacedBytes& operator=(const ReplacedBytes&) = delete;

  // Gets the memory a put-back needs, before anything is kept: the buffer that the runs of
  // the temporary file are read back into. Throws std::bad_alloc when it cannot be had.
  void Prepare();

  // Keeps the `count` bytes that lie at `offset`. False when they cannot be kept (more than
  // kLargestKeep, no temporary file, or no room in it): the caller must then not overwrite
  // them. Throws std::bad_alloc when there is no memory for them; what was kept before
  // stays kept as it was. Whatever was kept before, these bytes too, can still be put back.
  bool Keep(uint64_t offset, const uint8_t* bytes, size_t count);

  // Hands every kept piece to `sink`, in the order they were kept. A piece that cannot be
  // read back, or that the sink fails to put, does not stop the others: every other piece
  // is still handed over. True when every piece was read and put. Allocates nothing.
  bool PutBack(PieceSink& sink) noexcept;

 private:
  size_t LargestRun() const;
  bool Spill();
  bool OpenFile();
  void MakeRoom(size_t size);
  bool ReadRun(uint64_t start, size_t size) noexcept;

  size_t memory_limit_;
  // Pieces not in the file, each an offset (8 bytes), a count (4) and the bytes.
  std::vector<uint8_t> pieces_;
  size_t last_piece_ = 0;     // where the last piece in memory begins
  uint64_t last_end_ = 0;     // the target offset after its bytes
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::vector<size_t> spills_;  // the sizes of the runs of pieces the file holds in full
  uint64_t file_bytes_ = 0;
  std::vector<uint8_t> run_;    // a run read back, as large as the largest run can be
};

class PatchTarget : private PieceSink {
 public:
  PatchTarget(const std::wstring& path, size_t replaced_in_memory);
  // A target whose apply did not finish is put back.
  ~PatchTarget() noexcept;
  PatchTarget(const PatchTarget&) = delete;
  PatchTarget& operator=(const PatchTarget&) = delete;

  bool opened() const { return handle_ != INVALID_HANDLE_VALUE; }

  // Before any record is written: gets the buffers a put-back needs (the window and the room
  // the temporary file is read back into) and the one for the bytes a record written alone
  // replaces, throwing std::bad_alloc when they cannot be had, and then makes the file at
  // least `size` bytes long, so that a target that its volume cannot make that large is
  // refused before anything else changes. The memory that keeps replaced bytes is taken as
  // they are kept, during the writes.
  bool Prepare(uint64_t size);

  // Moves the cursor Delta forward and writes the bytes there; `offset` receives where.
  bool WriteRecord(uint32_t delta, const uint8_t* bytes, uint16_t count, uint64_t& offset);

  // Writes what is gathered, gives the file its final size and closes it.
  bool Finish(uint64_t size);

  // Puts back the old size and every replaced byte, and closes the file; true when the
  // target is as it was. A write, or a read of the temporary file, that fails here does not
  // stop it: every other piece is still put back, and only the bytes that write or read was
  // for can differ (and the size, when setting the old one fails). Allocates nothing.
  bool PutBack() noexcept;

 private:
  static constexpr size_t kWindowBytes = 256 * 1024;
  // A record this close to the previous one is gathered in a window with it.
  static constexpr uint64_t kCloseGap = 8 * 1024;

  bool Put(uint64_t offset, const uint8_t* bytes, size_t count) noexcept override;
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
  bool Fails();
  void Close();

  HANDLE handle_;
  uint64_t old_size_ = 0;
  ReplacedBytes replaced_;
  bool changed_ = false;      // something was written or resized
  bool finished_ = false;
  bool putting_back_ = false;
  uint64_t cursor_ = 0;
  uint64_t put_back_end_ = 0;  // the end of the last piece put back
  std::vector<uint8_t> window_;  // kWindowBytes once prepared
  bool window_open_ = false;
  uint64_t window_start_ = 0;
  size_t dirty_begin_ = 0;
  size_t dirty_end_ = 0;
  std::vector<uint8_t> alone_;  // the replaced bytes of a record written alone
};

}  // namespace mendpak
