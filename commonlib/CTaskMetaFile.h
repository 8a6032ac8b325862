// A task's resume file: one ProtoValue map in the byte format beside the temporary data
// file, written through "<resume>.mbk" and moved over the resume file so that a crash
// leaves the previous one whole. Main thread only.
#pragma once

#include <cstdint>
#include <string>

#include "commonlib/GapList.h"
#include "commonlib/core/CFileEx.h"
#include "commonlib/core/ProtoValue.h"

class CTaskLog;

class CTaskMetaFile {
 public:
  // Resume files above this size are not read.
  static const int64_t kMaxFileSize = 16 * 1024 * 1024;
  // A download leaves a few missing ranges per source and pause; a file with more is damaged.
  static const size_t kMaxRanges = 4096;

  // What a resumed run takes back from the file.
  struct Resume {
    int64_t p2pBytes = 0;
    int64_t elapsedMs = 0;
    bool isCdn = false;
  };

  CTaskMetaFile();
  ~CTaskMetaFile();
  CTaskMetaFile(const CTaskMetaFile&) = delete;
  CTaskMetaFile& operator=(const CTaskMetaFile&) = delete;

  // Remembers the path and reads the file into the value; false (logged) when it cannot be
  // opened, is empty or too large, cannot be read or does not parse as a map.
  bool LoadFile(const std::wstring& path);
  // Writes the value to path + ".mbk" and moves that over the path. False when the value is
  // empty, the file is busy, or anything fails (logged; the previous file stays).
  bool Save();
  // "fs" minus the "gl" bytes clipped to [0, fs - 1]; "fs" when "gl" is missing or empty.
  int64_t GetDownloadedSize() const;

  // Rebuilds the value: "ft", "fs", "fh", "ps", "ct", the log's "log" entry and "gl" from
  // the free ranges (absent when nothing is missing).
  void Build(int64_t fileTime, int64_t fileSize, const std::wstring& md5, int64_t p2pBytes,
             int64_t elapsedMs, const CTaskLog* log, const GapList& free);
  // Loads path and, when it belongs to this download (same "fs" and "fh"), fills gaps with
  // its ranges clipped to [0, fileSize - 1], the counters, and the log. False (gaps empty,
  // counters 0, log untouched, reason logged) for a missing, damaged, wrongly typed or
  // foreign file.
  bool Restore(const std::wstring& path, int64_t fileSize, const std::wstring& md5,
               int64_t readFileTime, GapList& gaps, Resume& resume, CTaskLog* log);

  void SetPath(const std::wstring& path) { m_path = path; }
  const std::wstring& GetPath() const { return m_path; }
  // Closes an open handle; used before the file is deleted.
  void CloseFile();

  ProtoValue m_value;

 private:
  CFileEx m_file;
  std::wstring m_path;
};
