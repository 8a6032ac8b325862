#include "platform/src/process/ProcessSnapshot.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <errhandlingapi.h>
#include "platform/src/internal/utf.h"
#include <tlhelp32.h>
#include <psapi.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {
namespace {

struct StatLine {
  std::string comm;
  char state = '?';
  DWORD parent = 0;
  DWORD threads = 1;
};

bool ReadStat(pid_t pid, StatLine& out) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* f = std::fopen(path, "r");
  if (!f) return false;
  char buf[1024];
  size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = 0;
  std::string line(buf);
  size_t open = line.find('(');
  size_t close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  out.comm = line.substr(open + 1, close - open - 1);
  // Fields after the name: state (3), parent (4), ..., thread count (20).
  std::vector<std::string> fields;
  size_t i = close + 1;
  while (i < line.size() && fields.size() < 18) {
    while (i < line.size() && line[i] == ' ') ++i;
    size_t end = line.find(' ', i);
    if (end == std::string::npos) end = line.size();
    if (end > i) fields.push_back(line.substr(i, end - i));
    i = end;
  }
  if (fields.size() < 18) return false;
  out.state = fields[0][0];
  out.parent = static_cast<DWORD>(std::strtoul(fields[1].c_str(), nullptr, 10));
  out.threads = static_cast<DWORD>(std::strtoul(fields[17].c_str(), nullptr, 10));
  return true;
}

bool IsZombie(char state) { return state == 'Z' || state == 'X'; }

}  // namespace

char ProcessSnapshot::StateOf(pid_t pid) {
  StatLine stat;
  return ReadStat(pid, stat) ? stat.state : 0;
}

bool ProcessSnapshot::ImagePath(pid_t pid, std::string& path) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/%d/exe", static_cast<int>(pid));
  std::string buf(4096, '\0');
  ssize_t n = readlink(link, &buf[0], buf.size());
  if (n < 0) return false;
  buf.resize(static_cast<size_t>(n));
  // A program whose file was replaced or removed while it runs.
  const std::string deleted = " (deleted)";
  if (buf.size() > deleted.size() && buf.compare(buf.size() - deleted.size(), deleted.size(), deleted) == 0)
    buf.resize(buf.size() - deleted.size());
  path = buf;
  return true;
}

std::vector<pid_t> ProcessSnapshot::RunningIds() {
  std::vector<pid_t> ids;
  DIR* dir = opendir("/proc");
  if (!dir) return ids;
  while (dirent* e = readdir(dir)) {
    char* end = nullptr;
    long pid = std::strtol(e->d_name, &end, 10);
    if (pid > 0 && end && *end == 0) ids.push_back(static_cast<pid_t>(pid));
  }
  closedir(dir);
  std::sort(ids.begin(), ids.end());
  return ids;
}

ProcessSnapshot::ProcessSnapshot() {
  entries_.push_back(Entry{0, 0, 1, L"[System Process]"});
  for (pid_t pid : RunningIds()) {
    StatLine stat;
    if (!ReadStat(pid, stat) || IsZombie(stat.state)) continue;
    std::string image;
    std::string name = stat.comm;  // kernel threads and hidden images: the short name
    if (ImagePath(pid, image)) name = image.substr(image.rfind('/') + 1);
    entries_.push_back(Entry{static_cast<DWORD>(pid), stat.parent, stat.threads, FromUtf8(name)});
  }
}

bool ProcessSnapshot::Next(Entry& entry) {
  if (next_ >= entries_.size()) return false;
  entry = entries_[next_++];
  return true;
}

}  // namespace jf

namespace {

BOOL FillEntry(HANDLE snapshot, LPPROCESSENTRY32W entry, bool first) {
  std::shared_ptr<jf::ProcessSnapshot> list = jf::LookupHandleAs<jf::ProcessSnapshot>(snapshot);
  if (!list) {
    JF_SET_ERROR(Process, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!entry || entry->dwSize < sizeof(PROCESSENTRY32W)) {
    JF_SET_ERROR(Process, ERROR_BAD_LENGTH);
    return FALSE;
  }
  if (first) list->Rewind();
  jf::ProcessSnapshot::Entry e;
  if (!list->Next(e)) {
    JF_SET_ERROR(Process, ERROR_NO_MORE_FILES);
    return FALSE;
  }
  DWORD size = entry->dwSize;
  std::memset(entry, 0, sizeof(PROCESSENTRY32W));
  entry->dwSize = size;
  entry->th32ProcessID = e.pid;
  entry->th32ParentProcessID = e.parent;
  entry->cntThreads = e.threads;
  entry->pcPriClassBase = 8;  // normal priority
  size_t n = std::min(e.name.size(), static_cast<size_t>(MAX_PATH - 1));
  std::wmemcpy(entry->szExeFile, e.name.data(), n);
  entry->szExeFile[n] = 0;
  return TRUE;
}

}  // namespace

HANDLE CreateToolhelp32Snapshot(DWORD dwFlags, DWORD /*th32ProcessID*/) {
  if (!(dwFlags & TH32CS_SNAPPROCESS) || (dwFlags & (TH32CS_SNAPHEAPLIST | TH32CS_SNAPTHREAD | TH32CS_SNAPMODULE |
                                                     TH32CS_SNAPMODULE32))) {
    JF_SET_ERROR(Process, ERROR_NOT_SUPPORTED);
    return INVALID_HANDLE_VALUE;
  }
  return jf::RegisterHandle(std::make_shared<jf::ProcessSnapshot>());
}

BOOL Process32FirstW(HANDLE hSnapshot, LPPROCESSENTRY32W lppe) { return FillEntry(hSnapshot, lppe, true); }

BOOL Process32NextW(HANDLE hSnapshot, LPPROCESSENTRY32W lppe) { return FillEntry(hSnapshot, lppe, false); }

BOOL EnumProcesses(DWORD* lpidProcess, DWORD cb, LPDWORD lpcbNeeded) {
  if (!lpcbNeeded || (!lpidProcess && cb)) {
    JF_SET_ERROR(Process, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<pid_t> ids = jf::ProcessSnapshot::RunningIds();
  DWORD count = std::min(static_cast<DWORD>(ids.size()), cb / static_cast<DWORD>(sizeof(DWORD)));
  for (DWORD i = 0; i < count; ++i) lpidProcess[i] = static_cast<DWORD>(ids[i]);
  *lpcbNeeded = count * static_cast<DWORD>(sizeof(DWORD));
  return TRUE;
}
