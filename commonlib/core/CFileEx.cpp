#include "commonlib/core/CFileEx.h"

namespace {
const int kShortWrite = -12;
}  // namespace

CFileEx::CFileEx() : m_file(INVALID_HANDLE_VALUE), m_closeOnDelete(FALSE) {}

CFileEx::~CFileEx() {
  if (m_file != INVALID_HANDLE_VALUE && m_closeOnDelete) CloseHandle(m_file);
}

void CFileEx::ThrowFileExException(int code, const std::wstring& message) {
  CFileExException e(code, message);
  e.SetLocation(".\\core\\FileEx.h", 28);
  throw e;
}

bool CFileEx::Open(const wchar_t* path, uint32_t flags, CFileExException* error) {
  // A handle still open here would otherwise be lost for good.
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
  m_closeOnDelete = FALSE;
  m_file = INVALID_HANDLE_VALUE;
  m_fileName.clear();

  DWORD access = 0;
  switch (flags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: access = 0; break;
  }
  DWORD share = 0;
  switch (flags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: share = 0; break;
  }
  SECURITY_ATTRIBUTES sa;
  sa.nLength = sizeof(sa);
  sa.lpSecurityDescriptor = nullptr;
  sa.bInheritHandle = (flags & modeNoInherit) ? FALSE : TRUE;
  DWORD disposition = OPEN_EXISTING;
  if (flags & modeCreate) disposition = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

  HANDLE h = CreateFileW(path, access, share, &sa, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (error != nullptr) {
      error->SetCode(static_cast<int>(GetLastError()));
      error->SetMessage(L"INVALID_HANDLE_VALUE");
    }
    return false;
  }
  m_file = h;
  m_closeOnDelete = TRUE;
  // Kept for the messages of failed writes.
  m_fileName = path != nullptr ? path : L"";
  return true;
}

uint32_t CFileEx::Read(void* buffer, uint32_t count) {
  if (count == 0) return 0;
  DWORD done = 0;
  if (!ReadFile(m_file, buffer, count, &done, nullptr)) {
    ThrowFileExException(static_cast<int>(GetLastError()), std::wstring());
  }
  return done;
}

void CFileEx::Write(const void* buffer, uint32_t count) {
  if (count == 0) return;
  DWORD done = 0;
  if (!WriteFile(m_file, buffer, count, &done, nullptr)) {
    ThrowFileExException(static_cast<int>(GetLastError()), m_fileName);
  }
  if (done < count) ThrowFileExException(kShortWrite, m_fileName);
}

uint64_t CFileEx::Seek(int64_t offset, uint32_t origin) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER now;
  now.QuadPart = 0;
  if (!SetFilePointerEx(m_file, distance, &now, origin)) {
    ThrowFileExException(static_cast<int>(GetLastError()), std::wstring());
  }
  return static_cast<uint64_t>(now.QuadPart);
}

uint64_t CFileEx::GetPosition() { return Seek(0, current); }

uint64_t CFileEx::SeekToEnd() { return Seek(0, end); }

void CFileEx::SetLength(uint64_t length) {
  Seek(static_cast<int64_t>(length), begin);
  if (!SetEndOfFile(m_file)) ThrowFileExException(static_cast<int>(GetLastError()), std::wstring());
}

void CFileEx::Flush() {
  if (m_file == INVALID_HANDLE_VALUE) return;
  if (!FlushFileBuffers(m_file)) ThrowFileExException(static_cast<int>(GetLastError()), std::wstring());
}

void CFileEx::Close() {
  bool failed = false;
  DWORD code = 0;
  if (m_file != INVALID_HANDLE_VALUE) {
    if (!CloseHandle(m_file)) {
      failed = true;
      code = GetLastError();
    }
  }
  m_file = INVALID_HANDLE_VALUE;
  m_closeOnDelete = FALSE;
  m_fileName.clear();
  if (failed) ThrowFileExException(static_cast<int>(code), std::wstring());
}

void CFileEx::Abort() {
  if (m_file != INVALID_HANDLE_VALUE) {
    CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
  }
  m_fileName.clear();
}
