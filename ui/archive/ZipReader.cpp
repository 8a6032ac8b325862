#include "ui/archive/ZipReader.h"

#include <minizip/unzip.h>

#include <cctype>
#include <cstring>
#include <ctime>
#include <string>

#include "ui/archive/ZipSource.h"

namespace SkinUI {

namespace {

voidpf ZCALLBACK SourceOpen(voidpf, const void* source, int) { return const_cast<void*>(source); }
uLong ZCALLBACK SourceRead(voidpf, voidpf stream, void* buf, uLong size) {
  return static_cast<CZipSource*>(stream)->Read(buf, size);
}
uLong ZCALLBACK SourceWrite(voidpf, voidpf, const void*, uLong) { return 0; }
ZPOS64_T ZCALLBACK SourceTell(voidpf, voidpf stream) { return static_cast<CZipSource*>(stream)->Tell(); }
long ZCALLBACK SourceSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  return static_cast<CZipSource*>(stream)->Seek(offset, origin);
}
int ZCALLBACK SourceClose(voidpf, voidpf stream) {
  delete static_cast<CZipSource*>(stream);
  return 0;
}
int ZCALLBACK SourceError(voidpf, voidpf stream) { return static_cast<CZipSource*>(stream)->HasError() ? 1 : 0; }

FILETIME DosToFileTime(uLong dosDate) {
  // High word: date, low word: time, both local as the archive stores them.
  SYSTEMTIME st = {};
  WORD date = static_cast<WORD>(dosDate >> 16);
  WORD time = static_cast<WORD>(dosDate & 0xFFFF);
  st.wYear = static_cast<WORD>(((date >> 9) & 0x7F) + 1980);
  st.wMonth = static_cast<WORD>((date >> 5) & 0x0F);
  st.wDay = static_cast<WORD>(date & 0x1F);
  st.wHour = static_cast<WORD>((time >> 11) & 0x1F);
  st.wMinute = static_cast<WORD>((time >> 5) & 0x3F);
  st.wSecond = static_cast<WORD>((time & 0x1F) * 2);
  FILETIME ft = {};
  SystemTimeToFileTime(&st, &ft);
  return ft;
}

FILETIME UnixToFileTime(unsigned long long unixTime) {
  time_t t = static_cast<time_t>(unixTime);
  struct tm local = {};
  FILETIME ft = {};
  struct tm* parts = localtime(&t);
  if (!parts) return ft;
  local = *parts;
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(local.tm_year + 1900);
  st.wMonth = static_cast<WORD>(local.tm_mon + 1);
  st.wDay = static_cast<WORD>(local.tm_mday);
  st.wHour = static_cast<WORD>(local.tm_hour);
  st.wMinute = static_cast<WORD>(local.tm_min);
  st.wSecond = static_cast<WORD>(local.tm_sec);
  SystemTimeToFileTime(&st, &ft);
  return ft;
}

unsigned ReadLe(const unsigned char* p, int bytes) {
  unsigned v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// Scans the local extra data for the first "UT" block; every read stays inside the data.
void ApplyExtraTimes(const unsigned char* extra, size_t size, ZipEntryInfo* entry) {
  size_t pos = 0;
  while (pos + 4 <= size) {
    unsigned tag = ReadLe(extra + pos, 2);
    size_t blockSize = ReadLe(extra + pos + 2, 2);
    size_t body = pos + 4;
    size_t end = body + blockSize;
    if (end > size) end = size;
    if (tag == 0x5455) {  // "UT"
      if (body >= end) return;
      unsigned flags = extra[body];
      size_t at = body + 1;
      FILETIME* targets[3] = {&entry->mtime, &entry->atime, &entry->ctime};
      for (int bit = 0; bit < 3; ++bit) {
        if (!(flags & (1u << bit))) continue;
        if (at + 4 > end) return;
        *targets[bit] = UnixToFileTime(ReadLe(extra + at, 4));
        at += 4;
      }
      return;
    }
    pos = body + blockSize;
  }
}

bool NameEquals(const char* stored, const std::string& wanted) {
  size_t n = strlen(stored);
  if (n != wanted.size()) return false;
  for (size_t i = 0; i < n; ++i) {
    unsigned char a = static_cast<unsigned char>(stored[i]);
    unsigned char b = static_cast<unsigned char>(wanted[i]);
    if (a < 0x80 && b < 0x80) {
      if (tolower(a) != tolower(b)) return false;
    } else if (a != b) {
      return false;
    }
  }
  return true;
}

}  // namespace

CZipReader* CZipReader::Open(const void* source, DWORD length, int kind, DWORD* result) {
  CZipSource* src = nullptr;
  if (kind == ZIP_FILENAME) {
    src = source ? CZipSource::OpenFile(static_cast<const wchar_t*>(source)) : nullptr;
    if (!src) {
      *result = ZR_NOFILE;
      return nullptr;
    }
  } else if (kind == ZIP_MEMORY) {
    src = CZipSource::OpenMemory(source, length);
  } else {
    *result = ZR_ARGS;
    return nullptr;
  }
  zlib_filefunc64_def funcs = {};
  funcs.zopen64_file = SourceOpen;
  funcs.zread_file = SourceRead;
  funcs.zwrite_file = SourceWrite;
  funcs.ztell64_file = SourceTell;
  funcs.zseek64_file = SourceSeek;
  funcs.zclose_file = SourceClose;
  funcs.zerror_file = SourceError;
  unzFile unz = unzOpen2_64(src, &funcs);
  if (!unz) {
    // minizip has closed (and so deleted) the source already.
    *result = static_cast<DWORD>(UNZ_BADZIPFILE);
    return nullptr;
  }
  unz_global_info64 info = {};
  unzGetGlobalInfo64(unz, &info);
  CZipReader* reader = new CZipReader();
  reader->m_unz = unz;
  reader->m_count = info.number_entry > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(info.number_entry);
  reader->m_current = unzGoToFirstFile(unz) == UNZ_OK ? 0 : -1;
  *result = ZR_OK;
  return reader;
}

CZipReader::~CZipReader() {
  CloseEntry();
  if (m_unz) unzClose(m_unz);  // closes the source through SourceClose
}

void CZipReader::CloseEntry() {
  if (m_openIndex >= 0) unzCloseCurrentFile(m_unz);
  m_openIndex = -1;
}

bool CZipReader::GoTo(int index) {
  if (index < 0 || index >= m_count) return false;
  if (m_current < 0 || index < m_current) {
    if (unzGoToFirstFile(m_unz) != UNZ_OK) return false;
    m_current = 0;
  }
  while (m_current < index) {
    if (unzGoToNextFile(m_unz) != UNZ_OK) {
      m_current = -1;
      return false;
    }
    ++m_current;
  }
  return true;
}

DWORD CZipReader::Find(const wchar_t* name, int* index, ZipEntryInfo* entry) {
  if (index) *index = -1;
  if (!name || wcslen(name) >= 256) return ZR_NOTFOUND;
  char ansi[1024] = {};
  int n = WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof(ansi) - 1, nullptr, nullptr);
  if (n <= 0) return ZR_NOTFOUND;
  std::string wanted(ansi);
  for (char& c : wanted) {
    if (c == '\\') c = '/';
  }
  int saved = m_current;
  for (int i = 0; i < m_count; ++i) {
    if (!GoTo(i)) break;
    char stored[261] = {};
    unz_file_info64 info = {};
    if (unzGetCurrentFileInfo64(m_unz, &info, stored, sizeof(stored) - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
      break;
    }
    if (NameEquals(stored, wanted)) {
      CloseEntry();
      ZipEntryInfo found = {};
      DWORD r = Get(i, &found);
      if (r != ZR_OK) return r;
      if (index) *index = i;
      if (entry) *entry = found;
      return ZR_OK;
    }
  }
  if (saved >= 0 && GoTo(saved)) m_current = saved;
  return ZR_NOTFOUND;
}

DWORD CZipReader::Get(int index, ZipEntryInfo* entry) {
  if (index < -1 || index >= m_count || !entry) return ZR_ARGS;
  if (index == -1) {
    memset(entry, 0, sizeof(*entry));
    entry->index = m_count;
    return ZR_OK;
  }
  if (index == m_cacheIndex) {
    *entry = m_cache;
    return ZR_OK;
  }
  CloseEntry();
  if (!GoTo(index)) return ZR_ARGS;
  char stored[261] = {};
  unz_file_info64 info = {};
  if (unzGetCurrentFileInfo64(m_unz, &info, stored, sizeof(stored) - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return ZR_CORRUPT;
  }
  if (unzOpenCurrentFile(m_unz) != UNZ_OK) return ZR_CORRUPT;
  unsigned char extra[65536];
  int extraSize = unzGetLocalExtrafield(m_unz, extra, sizeof(extra));
  unzCloseCurrentFile(m_unz);
  if (extraSize < 0) return ZR_READ;

  ZipEntryInfo e = {};
  e.index = index;
  int wideLength = MultiByteToWideChar(CP_ACP, 0, stored, -1, e.name, 259);
  if (wideLength <= 0) e.name[0] = L'\0';
  e.name[259] = L'\0';
  for (wchar_t* p = e.name + wcslen(e.name); p < e.name + 260; ++p) *p = L'\0';

  DWORD high = static_cast<DWORD>(info.external_fa >> 16);
  DWORD low = static_cast<DWORD>(info.external_fa & 0xFFFF);
  DWORD attr = FILE_ATTRIBUTE_NORMAL;
  if ((info.external_fa & 0x40000000) || (low & 0x10)) attr = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL;
  if (low & 0x20) attr |= FILE_ATTRIBUTE_ARCHIVE;
  if (low & 0x02) attr |= FILE_ATTRIBUTE_HIDDEN;
  if (!(high & 0x0080) || (low & 0x01)) attr |= FILE_ATTRIBUTE_READONLY;
  if (low & 0x04) attr |= FILE_ATTRIBUTE_SYSTEM;
  e.attr = attr;

  FILETIME dos = DosToFileTime(info.dosDate);
  e.atime = e.ctime = e.mtime = dos;
  ApplyExtraTimes(extra, static_cast<size_t>(extraSize), &e);
  e.comp_size = info.compressed_size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(info.compressed_size);
  e.unc_size = info.uncompressed_size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(info.uncompressed_size);
  m_cache = e;
  m_cacheIndex = index;
  *entry = e;
  return ZR_OK;
}

DWORD CZipReader::Unzip(int index, void* buffer, DWORD size, DWORD* read) {
  if (read) *read = 0;
  if (index != m_openIndex) {
    CloseEntry();
    if (index < 0 || index >= m_count) return ZR_ARGS;
    if (!GoTo(index)) return ZR_ARGS;
    if (unzOpenCurrentFile(m_unz) != UNZ_OK) return ZR_CORRUPT;
    m_openIndex = index;
  }
  if (!buffer && size) return ZR_ARGS;
  int got = size ? unzReadCurrentFile(m_unz, buffer, size > 0x7FFFFFFF ? 0x7FFFFFFFu : size) : 0;
  if (got > 0) {
    if (read) *read = static_cast<DWORD>(got);
    return ZR_MORE;
  }
  int closed = unzCloseCurrentFile(m_unz);
  m_openIndex = -1;
  if (got < 0 || closed != UNZ_OK) return ZR_FLATE;
  return ZR_OK;
}

ZipHandle* OpenZip(const void* source, DWORD length, DWORD kind) {
  DWORD result = ZR_OK;
  CZipReader* reader = CZipReader::Open(source, length, static_cast<int>(kind), &result);
  if (!reader) return nullptr;
  return new ZipHandle{1, reader};
}

DWORD FindZipItem(ZipHandle* handle, const wchar_t* name, int* index, ZipEntryInfo* entry) {
  if (!handle) return ZR_ARGS;
  if (handle->kind != 1 || !handle->reader) return ZR_NOTUNZIP;
  return handle->reader->Find(name, index, entry);
}

DWORD GetZipItem(ZipHandle* handle, int index, ZipEntryInfo* entry) {
  if (!handle) return ZR_ARGS;
  if (handle->kind != 1 || !handle->reader) return ZR_NOTUNZIP;
  return handle->reader->Get(index, entry);
}

DWORD UnzipItem(ZipHandle* handle, int index, void* buffer, DWORD size, DWORD* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  if (!handle) return ZR_ARGS;
  if (handle->kind != 1 || !handle->reader) return ZR_NOTUNZIP;
  return handle->reader->Unzip(index, buffer, size, bytesRead);
}

DWORD CloseZip(ZipHandle* handle) {
  if (!handle) return ZR_ARGS;
  if (handle->kind != 1) return ZR_NOTUNZIP;
  delete handle->reader;
  delete handle;
  return ZR_OK;
}

bool ReadZipEntry(ZipHandle* handle, int index, void* buffer, DWORD size) {
  if (!buffer || size == 0 || !handle || handle->kind != 1 || !handle->reader) return false;
  handle->reader->CloseEntry();  // start at the entry's first byte
  DWORD total = 0;
  unsigned char* out = static_cast<unsigned char*>(buffer);
  while (total < size) {
    DWORD got = 0;
    DWORD r = UnzipItem(handle, index, out + total, size - total, &got);
    if (r != ZR_MORE) return false;  // ended early or failed
    total += got;
  }
  // The entry must end here; the closing read checks the CRC.
  unsigned char probe;
  DWORD got = 0;
  return UnzipItem(handle, index, &probe, 1, &got) == ZR_OK;
}

}  // namespace SkinUI
