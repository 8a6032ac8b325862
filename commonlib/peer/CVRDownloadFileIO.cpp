#include "commonlib/peer/CVRDownloadFileIO.h"

#include "commonlib/http/HttpLog.h"
#include "commonlib/http/ResultCodes.h"

namespace {
const wchar_t kFile[] = L"peer\\VRFileIO";
// Read and write, shared for both, not inherited, opened always, binary.
const uint32_t kOpenFlags = 0xB0C2;
}  // namespace

CVRDownloadFileIO::CVRDownloadFileIO() : m_written(0), m_disposed(false), m_room(-1) {}

CVRDownloadFileIO::~CVRDownloadFileIO() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_file.Abort();
}

bool CVRDownloadFileIO::open(const std::wstring& path, uint64_t offset, int64_t lastByte) {
  Close();
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_file.IsOpen()) return true;
  m_path = path;
  m_written = 0;
  m_disposed = false;
  m_room = -1;
  if (lastByte >= 0) {
    // A block that is already complete has no room at all.
    int64_t room = lastByte - static_cast<int64_t>(offset) + 1;
    m_room = room > 0 ? room : 0;
  }
  CFileExException error;
  if (!m_file.Open(path.c_str(), kOpenFlags, &error)) {
    JF_HTTP_LOG(kLogError, kFile, L"[CDownloadFileIO]打开错误 %d:%d %s", 1, error.GetCode(),
                path.c_str());
    SetError(kErrSys, error.GetCode());
    return false;
  }
  if (offset > 0) {
    try {
      m_file.Seek(static_cast<int64_t>(offset), CFileEx::begin);
    } catch (CFileExException& e) {
      JF_HTTP_LOG(kLogError, kFile, L"CDownloadFileIO::open %s %d:%d", path.c_str(), 1,
                  e.GetCode());
      // A stream that stays "fine" here would leave its block running for ever.
      SetError(kErrSys, e.GetCode() != 0 ? e.GetCode() : ERROR_SEEK);
      m_file.Abort();
      return false;
    }
  }
  return true;
}

int32_t CVRDownloadFileIO::Write(const void* data, uint32_t length) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_file.IsOpen() || m_disposed) {
    SetError(kErrUser, ResultCode::kSinkClosed);
    return -1;
  }
  uint32_t allowed = length;
  bool tooLong = false;
  if (m_room >= 0 && static_cast<int64_t>(length) > m_room) {
    allowed = static_cast<uint32_t>(m_room);
    tooLong = true;
  }
  if (allowed > 0) {
    try {
      m_file.Write(data, allowed);
    } catch (CFileExException& e) {
      JF_HTTP_LOG(kLogError, kFile, L"[CDownloadFileIO]打开错误 %d:%d", 1, e.GetCode());
      SetError(kErrSys, e.GetCode());
      return -1;
    }
    m_written += allowed;
    if (m_room >= 0) m_room -= allowed;
  }
  if (tooLong) {
    // More than the block asked for: the rest would land on other blocks' bytes.
    JF_HTTP_LOG(kLogError, kFile, L"CDownloadFileIO::Write past the block end %s %u:%u",
                m_path.c_str(), length, allowed);
    SetError(kErrUser, ResultCode::kLengthMismatch);
    return -1;
  }
  return static_cast<int32_t>(length);
}

void CVRDownloadFileIO::Close() {
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_file.IsOpen()) m_file.Abort();
  SetError(kErrOk, 0);
}

void CVRDownloadFileIO::Dispose() {
  // The server ignored the range: its body starts at byte 0 of the file, not at this
  // block's offset, so nothing more may be written.
  m_disposed = true;
}

bool CVRDownloadFileIO::IsOpen() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_file.IsOpen();
}
