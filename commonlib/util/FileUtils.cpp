#include "commonlib/util/FileUtils.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <ctime>
#include <vector>

#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/Pause.h"
#include "commonlib/util/StringUtils.h"

namespace FileUtils {

namespace {

const wchar_t kSourceFile[] = L".\\util\\FileUtils";

bool IsDirectory(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A drive alone ("D:") stands for its root folder.
bool PrefixIsDirectory(const std::wstring& prefix) {
  if (IsDirectory(prefix)) return true;
  return prefix.size() == 2 && prefix[1] == L':' && IsDirectory(prefix + L"\\");
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) return folder + name;
  return folder + L"\\" + name;
}

bool IsDriveLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

}  // namespace

bool IsFileExist(const std::wstring& path) { return PathFileExistsW(path.c_str()) != FALSE; }

bool IsAbsolutePath(const std::wstring& path) {
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') return true;
  wchar_t drive[8] = {};
  if (_wsplitpath_s(path.c_str(), drive, 8, nullptr, 0, nullptr, 0, nullptr, 0) != 0) return false;
  return drive[0] != L'\0';
}

bool IsDriveExist(const std::wstring& path) {
  std::wstring drive = path.size() >= 2 ? path.substr(0, 2) : std::wstring();
  return PathFileExistsW(drive.c_str()) != FALSE;
}

bool IsValidPath(const std::wstring& path) {
  std::vector<std::wstring> pieces;
  StringUtils::Split(pieces, path, L"\\", false);
  if (pieces.empty()) return false;
  const std::wstring& drive = pieces[0];
  if (drive.size() != 2 || !IsDriveLetter(drive[0]) || drive[1] != L':') return false;
  for (size_t i = 1; i < pieces.size(); ++i) {
    if (pieces[i].find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) return false;
  }
  return true;
}

bool IsDirWritable(const std::wstring& folder) {
  std::wstring dir = folder;
  while (!dir.empty() && !PrefixIsDirectory(dir)) {
    // A file on the way up means the folder can never be created below it.
    if (GetFileAttributesW(dir.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    dir = GetParentDir(dir);
  }
  if (dir.empty()) return false;
  std::wstring probe =
      StringUtils::Format(L"%s\\jftest_%d.vrjf", dir.c_str(), static_cast<int>(std::time(nullptr)));
  // Never truncate and then delete a file that someone else put there.
  if (IsFileExist(probe)) return false;
  if (!CreateEmptyFile(probe)) return false;
  DeleteFileRetry(probe, 0);
  return true;
}

bool CreateDirectoryTree(const std::wstring& path) {
  if (path.empty() || (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\')) return false;
  if (!IsAbsolutePath(path)) return false;
  std::wstring full = path;
  if (full.back() != L'\\' && full.back() != L'/') full += L'\\';
  std::wstring prefix;
  for (wchar_t c : full) {
    if (c == L'\\' || c == L'/') {
      if (prefix.empty() || !PrefixIsDirectory(prefix)) {
        if (!CreateDirectoryW(prefix.c_str(), nullptr)) {
          DWORD error = GetLastError();
          FileLogger::Instance().LogAt(kLogError, __LINE__, kSourceFile,
                                       L"CreateDirByJf:%s GetLastError %u", prefix.c_str(), error);
          TraceLogger::Instance().Log(kLogError, L"CreateDirByJf:%s GetLastError %u", prefix.c_str(),
                                      error);
          return false;
        }
      }
    }
    prefix += c;
  }
  return true;
}

bool CreateEmptyFile(const std::wstring& path) {
  std::wstring parent = GetParentDir(path);
  if (!parent.empty()) CreateDirectoryTree(parent);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool CreateUnicodeFile(const std::wstring& path) {
  if (IsFileExist(path)) return false;
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) return false;
  static const unsigned char kMark[2] = {0xFF, 0xFE};
  size_t written = fwrite(kMark, 1, 2, file);
  bool closed = fclose(file) == 0;
  return written == 2 && closed;
}

bool DeleteFileRetry(const std::wstring& path, int retries) {
  if (!IsFileExist(path)) return true;
  if (retries < 0) retries = 0;  // one attempt at least
  for (int i = 0; i <= retries; ++i) {
    if (DeleteFileW(path.c_str())) return true;
    if (retries != 0) Pause::For(static_cast<DWORD>(1 + 100 * i));
  }
  return false;
}

bool MoveFileRetry(const std::wstring& source, const std::wstring& target, int retries) {
  if (!IsFileExist(source)) return false;
  if (retries < 0) retries = 0;
  for (int i = 0; i <= retries; ++i) {
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    if (retries != 0) Pause::For(static_cast<DWORD>(1 + 100 * i));
  }
  return false;
}

bool DeleteDirectoryTree(const std::wstring& folder) {
  if (!IsFileExist(folder)) return true;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(JoinPath(folder, L"*.*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = JoinPath(folder, name);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        // A link to a folder is removed itself, never walked: walking it would delete the
        // files of a folder outside the tree. An empty folder goes at once as well.
        if (!RemoveDirectoryW(child.c_str()) && !DeleteFileW(child.c_str())) {
          DeleteDirectoryTree(child);
        }
      } else if (!DeleteFileW(child.c_str())) {
        ClearReadOnly(child);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  return RemoveDirectoryW(folder.c_str()) != FALSE;
}

void ClearReadOnly(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

std::wstring NormalizePath(const std::wstring& path) {
  std::wstring out = path;
  for (wchar_t& c : out) {
    if (c == L'/') c = L'\\';
  }
  for (size_t pos; (pos = out.find(L"\\\\")) != std::wstring::npos;) out.erase(pos, 1);
  if (!out.empty() && out.back() == L'\\') out.pop_back();
  return out;
}

std::wstring GetParentDir(const std::wstring& path) {
  std::wstring normal = NormalizePath(path);
  size_t pos = normal.rfind(L'\\');
  return pos == std::wstring::npos ? std::wstring() : normal.substr(0, pos);
}

std::wstring GetFileName(const std::wstring& path) {
  std::wstring normal = NormalizePath(path);
  size_t pos = normal.rfind(L'\\');
  return pos == std::wstring::npos ? normal : normal.substr(pos + 1);
}

std::wstring GetAfterLast(const std::wstring& text, const std::wstring& separator) {
  if (separator.empty()) return std::wstring();
  size_t pos = text.rfind(separator);
  return pos == std::wstring::npos ? std::wstring() : text.substr(pos + separator.size());
}

uint64_t GetFileSize(const std::wstring& path) {
  if (FILE* file = _wfopen(path.c_str(), L"rb")) {
    int64_t size = -1;
    if (_fseeki64(file, 0, SEEK_END) == 0) size = _ftelli64(file);
    fclose(file);
    if (size >= 0 && !IsDirectory(path)) return static_cast<uint64_t>(size);
  }
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return static_cast<uint64_t>(-1);
  FindClose(find);
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool GetFileModifyTime(const std::wstring& path, uint64_t& seconds) {
  std::wstring full = IsAbsolutePath(path) ? path : JoinPath(CommonUtils::GetModuleDir(), path);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(full.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  uint64_t fileTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                      data.ftLastWriteTime.dwLowDateTime;
  seconds = static_cast<uint64_t>(CommonUtils::FileTimeToUnixTime(fileTime));
  return true;
}

namespace {

// The root of a folder's text and where the rest starts; how many of the rest's pieces
// belong to the root (a network path's server and share).
struct FolderRoot {
  std::wstring text;
  size_t restStart = 0;
  size_t fixedPieces = 0;
};

FolderRoot SplitRoot(const std::wstring& path) {
  FolderRoot root;
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    root.text = L"\\\\";
    root.restStart = 2;
    root.fixedPieces = 2;
  } else if (path.size() >= 2 && path[1] == L':' && IsDriveLetter(path[0])) {
    // A drive's relative form ("D:jf") means nothing to an installer: taken from the root.
    root.text = path.substr(0, 2) + L"\\";
    root.restStart = 2;
  } else if (!path.empty() && path[0] == L'\\') {
    root.text = L"\\";
    root.restStart = 1;
  }
  return root;
}

}  // namespace

std::wstring CanonicalFolder(const std::wstring& folder) {
  std::wstring path = folder;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  const FolderRoot root = SplitRoot(path);
  std::vector<std::wstring> pieces;
  size_t start = root.restStart;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring piece = path.substr(start, end - start);
    start = end + 1;
    if (piece.empty() || piece == L".") continue;
    if (piece != L"..") {
      pieces.push_back(piece);
    } else if (!pieces.empty() && pieces.back() != L".." && pieces.size() > root.fixedPieces) {
      pieces.pop_back();
    } else if (root.text.empty()) {
      // Above a relative folder: kept, there is nothing to resolve it against.
      pieces.push_back(piece);
    }
  }
  std::wstring out = root.text;
  // A relative folder whose first piece reads as a drive ("a\..\D:x") keeps it a piece.
  if (root.text.empty() && !pieces.empty() && !SplitRoot(pieces[0]).text.empty()) out = L".\\";
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) out += L'\\';
    out += pieces[i];
  }
  return out;
}

std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name) {
  return folder.empty() ? name : JoinPath(folder, name);
}

bool GetFileIdentity(const std::wstring& path, FileIdentity& identity) {
  HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = BY_HANDLE_FILE_INFORMATION();
  const bool known = GetFileInformationByHandle(file, &info) != FALSE;
  CloseHandle(file);
  if (!known) return false;
  identity.volume = info.dwVolumeSerialNumber;
  identity.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  identity.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return true;
}

bool IsSameFolder(const std::wstring& first, const std::wstring& second) {
  FileIdentity a, b;
  return GetFileIdentity(first, a) && GetFileIdentity(second, b) && a.directory && b.directory && a == b;
}

}  // namespace FileUtils
