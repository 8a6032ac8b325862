#include "commonlib/CTaskMetaFile.h"

#include <windows.h>

#include <cwctype>
#include <vector>

#include "commonlib/CTaskLog.h"
#include "commonlib/core/ProtoValueBytes.h"
#include "commonlib/core/ProtoValueException.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/util/FileUtils.h"

namespace {

const wchar_t kFile[] = L"TaskMetaFile";
const wchar_t kTaskFile[] = L"DownloadTask";

// Read only, deny write to others, not inherited, binary.
const uint32_t kReadFlags = CFileEx::modeRead | CFileEx::shareDenyWrite | CFileEx::modeNoInherit |
                            CFileEx::typeBinary;

// An integer entry; absent reads 0, another kind throws.
int64_t IntegerAt(const ProtoValue& map, const wchar_t* key) {
  const ProtoValue& v = map.get(key);
  if (!v.isNull() && v.type() != PV_INTEGER) throw ProtoValueException(-1, key);
  return v.integer();
}

std::wstring TextAt(const ProtoValue& map, const wchar_t* key) {
  const ProtoValue& v = map.get(key);
  if (!v.isNull() && v.type() != PV_STRING) throw ProtoValueException(-1, key);
  return v.string();
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

// An integer entry that must lie within [low, high]; throws otherwise.
int64_t CountAt(const ProtoValue& map, const wchar_t* key, int64_t low, int64_t high) {
  int64_t v = IntegerAt(map, key);
  if (v < low || v > high) throw ProtoValueException(-1, key);
  return v;
}

// Replaces gaps by the "gl" ranges, clipped to [0, size - 1]; throws on a wrong kind or on
// more ranges than a download leaves behind.
void ReadRanges(const ProtoValue& gl, int64_t size, GapList& gaps) {
  gaps.Clear();
  if (gl.isNull()) return;
  const ProtoValue::Array* ranges = gl.array();
  if (!ranges) throw ProtoValueException(-1, L"gl");
  if (ranges->size() > CTaskMetaFile::kMaxRanges) throw ProtoValueException(-1, L"gl");
  std::vector<GapList::Range> list;
  list.reserve(ranges->size());
  for (const ProtoValue& r : *ranges) {
    if (r.type() != PV_MAP) throw ProtoValueException(-1, L"gl");
    int64_t start = IntegerAt(r, L"start");
    int64_t end = IntegerAt(r, L"end");
    if (start < 0) start = 0;
    if (end > size - 1) end = size - 1;
    if (start > end) continue;
    list.push_back(GapList::Range{start, end});
  }
  gaps.Assign(std::move(list));
}

}  // namespace

CTaskMetaFile::CTaskMetaFile() {}

CTaskMetaFile::~CTaskMetaFile() { m_file.Abort(); }

void CTaskMetaFile::CloseFile() { m_file.Abort(); }

bool CTaskMetaFile::LoadFile(const std::wstring& path) {
  m_path = path;
  m_value.clear();
  CFileExException error;
  if (!m_file.Open(path.c_str(), kReadFlags, &error)) {
    JF_HTTP_LOG(kLogError, kFile, L"[CTaskMetaFile::LoadFile]打开错误 %d:%d %s", 1, error.GetCode(),
                path.c_str());
    return false;
  }
  uint64_t size = FileUtils::GetFileSize(path);
  if (size == 0 || size == static_cast<uint64_t>(-1)) {
    JF_HTTP_LOG(kLogError, kFile, L"下载配置文件没有内容 %s", path.c_str());
    m_file.Abort();
    return false;
  }
  if (size > static_cast<uint64_t>(kMaxFileSize)) {
    // No resume file of ours comes near this; reading it whole would only waste memory.
    JF_HTTP_LOG(kLogError, kFile, L"下载配置文件过大 %s %I64u", path.c_str(), size);
    m_file.Abort();
    return false;
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  size_t done = 0;
  try {
    while (done < bytes.size()) {
      uint32_t got = m_file.Read(&bytes[done], static_cast<uint32_t>(bytes.size() - done));
      if (got == 0) break;
      done += got;
    }
  } catch (CFileExException& e) {
    JF_HTTP_LOG(kLogError, kFile, L"下载配置Read失败 %s %d ", path.c_str(), e.GetCode());
    m_file.Abort();
    return false;
  }
  m_file.Abort();
  if (done == 0) {
    JF_HTTP_LOG(kLogError, kFile, L"下载配置Read失败 %s %d ", path.c_str(), static_cast<int>(GetLastError()));
    return false;
  }
  bytes.resize(done);
  ProtoValue value;
  if (!ProtoValueFromBytes(value, bytes) || value.type() != PV_MAP) {
    JF_HTTP_LOG(kLogError, kFile, L"下载配置解析失败 %s", path.c_str());
    return false;
  }
  m_value.swap(value);
  return true;
}

bool CTaskMetaFile::Save() {
  if (m_value.size() == 0 || m_file.IsOpen() || m_path.empty()) return false;
  std::string bytes;
  if (!ProtoValueToBytes(bytes, m_value) || bytes.empty()) return false;
  // Saved after every block: one create, one write and one replace, straight through the
  // system calls, so the sources never wait long for their next block. The old file stays
  // whole until the replace, so a kill at any moment leaves one of the two.
  const std::wstring temp = m_path + L".mbk";
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    JF_HTTP_LOG(kLogError, kFile, L"[CTaskMetaFile::Save]打开错误 %d:%d %s", 1, static_cast<int>(GetLastError()),
                temp.c_str());
    return false;
  }
  DWORD written = 0;
  BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  DWORD error = GetLastError();
  CloseHandle(file);
  if (!wrote || written != bytes.size()) {
    JF_HTTP_LOG(kLogError, kFile, L"[CTaskMetaFile::Save]写入错误 %d:%d %s", 1, static_cast<int>(error),
                temp.c_str());
    return false;
  }
  if (!MoveFileExW(temp.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    JF_HTTP_LOG(kLogError, kFile, L"[CTaskMetaFile::Save]移动错误 %d %s", static_cast<int>(GetLastError()),
                m_path.c_str());
    return false;
  }
  return true;
}

int64_t CTaskMetaFile::GetDownloadedSize() const {
  int64_t size = 0;
  try {
    size = IntegerAt(m_value, L"fs");
  } catch (ProtoValueException&) {
    return 0;
  }
  if (size <= 0) return 0;
  GapList gaps;
  try {
    ReadRanges(m_value.get(L"gl"), size, gaps);
  } catch (ProtoValueException&) {
    return size;
  }
  return size - static_cast<int64_t>(gaps.MissingBytesUpTo(size - 1));
}

void CTaskMetaFile::Build(int64_t fileTime, int64_t fileSize, const std::wstring& md5,
                          int64_t p2pBytes, int64_t elapsedMs, const CTaskLog* log,
                          const GapList& free) {
  m_value.clear();
  m_value[L"ft"] = ProtoValue(static_cast<long long>(fileTime));
  m_value[L"fs"] = ProtoValue(static_cast<long long>(fileSize));
  m_value[L"fh"] = ProtoValue(md5);
  m_value[L"ps"] = ProtoValue(static_cast<long long>(p2pBytes));
  m_value[L"ct"] = ProtoValue(static_cast<long long>(elapsedMs));
  if (log) log->ToProtoValue(m_value);
  if (!free.IsEmpty()) {
    ProtoValue& gl = m_value[L"gl"];
    for (const GapList::Range& r : free) {
      ProtoValue item(PV_MAP);
      item[L"start"] = ProtoValue(static_cast<long long>(r.first));
      item[L"end"] = ProtoValue(static_cast<long long>(r.last));
      gl.append(item);
    }
  }
}

bool CTaskMetaFile::Restore(const std::wstring& path, int64_t fileSize, const std::wstring& md5,
                            int64_t readFileTime, GapList& gaps, Resume& resume, CTaskLog* log) {
  gaps.Clear();
  resume = Resume();
  std::wstring tempPath = path;
  const std::wstring suffix = L".vrmt";
  if (tempPath.size() > suffix.size() && tempPath.compare(tempPath.size() - suffix.size(), suffix.size(), suffix) == 0) {
    tempPath.resize(tempPath.size() - suffix.size());
  }
  if (md5.empty()) {
    // Without a digest nothing tells this file's bytes from those of another of the same size:
    // an earlier run's ranges are not taken.
    JF_HTTP_LOG(kLogInfo, kTaskFile, L"无文件校验值,不续传 %s", tempPath.c_str());
    return false;
  }
  if (!LoadFile(path)) {
    JF_HTTP_LOG(kLogInfo, kTaskFile, L"无任务断点信息 %s", tempPath.c_str());
    return false;
  }
  Resume loaded;
  int64_t savedTime = 0;
  int64_t savedSize = 0;
  std::wstring savedMd5;
  GapList ranges;
  try {
    // Counters go into sums and rates: each stays within what the file and a clock allow.
    loaded.p2pBytes = CountAt(m_value, L"ps", 0, fileSize < 0 ? 0 : fileSize);
    loaded.elapsedMs = CountAt(m_value, L"ct", 0, CTaskLog::kMaxCounter);
    loaded.isCdn = IntegerAt(m_value, L"is_cdn") != 0;
    savedTime = IntegerAt(m_value, L"ft");
    savedSize = IntegerAt(m_value, L"fs");
    savedMd5 = TextAt(m_value, L"fh");
    JF_HTTP_LOG(kLogInfo, kTaskFile, L"read_ft:%lld save_ft:%lld size:%lld save_size:%lld hash:%s save_hash:%s",
                static_cast<long long>(readFileTime), static_cast<long long>(savedTime),
                static_cast<long long>(fileSize), static_cast<long long>(savedSize), md5.c_str(),
                savedMd5.c_str());
    if (savedSize != fileSize || !SameText(savedMd5, md5)) {
      // Another download under the same name: its ranges say nothing about this file.
      JF_HTTP_LOG(kLogError, kTaskFile, L"断点信息不属于此下载,重新下载 %s", tempPath.c_str());
      m_value.clear();
      return false;
    }
    ReadRanges(m_value.get(L"gl"), fileSize, ranges);
  } catch (ProtoValueException&) {
    JF_HTTP_LOG(kLogError, kTaskFile, L"断点信息类型错误,重新下载 %s", tempPath.c_str());
    m_value.clear();
    return false;
  }
  if (log && !log->FromProtoValue(m_value)) {
    JF_HTTP_LOG(kLogError, kTaskFile, L"断点信息日志错误,重新下载 %s", tempPath.c_str());
    m_value.clear();
    return false;
  }
  GapList::Copy(ranges, gaps);
  resume = loaded;
  return true;
}
