// The skin archive reader: opens a ZIP archive from a file or a memory block, finds entries
// by name (letter case ignored, backslashes match slashes) and inflates them into memory.
#pragma once

#include <windows.h>

namespace SkinUI {

class CZipSource;
class CZipReader;

// Result codes; 0 is success, a negative value is minizip's own.
enum : DWORD {
  ZR_OK = 0x00000000,
  ZR_NOFILE = 0x00000200,
  ZR_NOTFOUND = 0x00000500,
  ZR_MORE = 0x00000600,
  ZR_CORRUPT = 0x00000700,
  ZR_READ = 0x00000800,
  ZR_ARGS = 0x00010000,
  ZR_NOTUNZIP = 0x00080000,
  ZR_FLATE = 0x05000000,
};

// Source kinds of OpenZip.
enum { ZIP_FILENAME = 2, ZIP_MEMORY = 3 };

struct ZipEntryInfo {
  int index;
  wchar_t name[260];
  DWORD attr;
  FILETIME atime, ctime, mtime;
  DWORD comp_size;
  DWORD unc_size;
};

struct ZipHandle {
  int kind;  // 1: unzip
  CZipReader* reader;
};

class CZipReader {
 public:
  ~CZipReader();
  CZipReader(const CZipReader&) = delete;
  CZipReader& operator=(const CZipReader&) = delete;

  static CZipReader* Open(const void* source, DWORD length, int kind, DWORD* result);
  DWORD Find(const wchar_t* name, int* index, ZipEntryInfo* entry);
  DWORD Get(int index, ZipEntryInfo* entry);
  DWORD Unzip(int index, void* buffer, DWORD size, DWORD* read);
  int GetCount() const { return m_count; }
  void CloseEntry();

 private:
  CZipReader() = default;
  bool GoTo(int index);

  void* m_unz = nullptr;
  int m_count = 0;
  int m_current = -1;    // entry the directory walk stands on
  int m_openIndex = -1;  // entry open for reading
  ZipEntryInfo m_cache = {};
  int m_cacheIndex = -1;
};

ZipHandle* OpenZip(const void* source, DWORD length, DWORD kind);
DWORD FindZipItem(ZipHandle* handle, const wchar_t* name, int* index, ZipEntryInfo* entry);
DWORD GetZipItem(ZipHandle* handle, int index, ZipEntryInfo* entry);
// bytesRead (optional) receives the count inflated by this call.
DWORD UnzipItem(ZipHandle* handle, int index, void* buffer, DWORD size, DWORD* bytesRead = nullptr);
DWORD CloseZip(ZipHandle* handle);
// Inflates a whole entry: true only when exactly `size` bytes came out, nothing followed them
// and the entry's CRC matched. A truncated or corrupt entry is never taken as read.
bool ReadZipEntry(ZipHandle* handle, int index, void* buffer, DWORD size);

}  // namespace SkinUI
