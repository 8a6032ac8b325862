// The byte sink of one block transfer: writes the received bytes into the task's temporary
// file from the block's current position on. open runs on the main thread, Write on the
// download worker, Close and Dispose on either; one lock keeps them apart, so a write never
// goes through a descriptor that another thread has closed.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "commonlib/core/CFileEx.h"
#include "commonlib/core/OBaseStream.h"

class CVRDownloadFileIO : public OBaseStream {
 public:
  CVRDownloadFileIO();
  ~CVRDownloadFileIO() override;
  CVRDownloadFileIO(const CVRDownloadFileIO&) = delete;
  CVRDownloadFileIO& operator=(const CVRDownloadFileIO&) = delete;

  // Opens (or creates) the file for reading and writing and moves to offset. lastByte is
  // the block's last byte (inclusive); bytes past it are refused. A negative lastByte sets
  // no limit. Failure: error pair (1, system error), false.
  bool open(const std::wstring& path, uint64_t offset, int64_t lastByte = -1);
  // Writes at the current position; -1 with (3, kSinkClosed) when closed or disposed, (1, code)
  // when the file fails, (3, kLengthMismatch) when the data reaches past the block's last byte (the
  // bytes up to that byte are still written).
  int32_t Write(const void* data, uint32_t length) override;
  // Closes the file; the error pair becomes (0, 0).
  void Close() override;
  // The transfer gives up on this stream (the server ignored the range): every later
  // write is refused.
  void Dispose() override;

  // Bytes written since the last open (read from any thread).
  uint64_t GetWrittenBytes() const { return m_written.load(); }
  bool IsOpen();
  bool IsDisposed() const { return m_disposed.load(); }
  const std::wstring& GetPath() const { return m_path; }

 private:
  std::wstring m_path;
  CFileEx m_file;
  std::mutex m_lock;
  std::atomic<uint64_t> m_written;
  std::atomic<bool> m_disposed;
  // Bytes the block may still take; negative: no limit.
  int64_t m_room;
};
