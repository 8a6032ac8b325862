#include "Updater/CUpdateModule.h"

#include <json/json.h>
#include <tlhelp32.h>

#include <cwctype>
#include <ctime>

#include "commonlib/DownloadEngine.h"
#include "commonlib/core/CFileEx.h"
#include "commonlib/core/DeploymentProfile.h"
#include "commonlib/http/SpareDnsTable.h"
#include "commonlib/logger/ConsoleLogger.h"
#include "commonlib/logger/FileLogger.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/PathText.h"
#include "commonlib/util/StringUtils.h"

namespace {

const wchar_t kSourceFile[] = L".\\Updater\\CUpdateModule";
const wchar_t kInstallerName[] = L"vrinstaller.exe";
const wchar_t kSection[] = L"Install";
const DWORD kIniValueLength = 2048;

// Numbers the helper window classes of every module of the process.
int g_classCounter = 0;
// Receives the formatted class name; shared by all modules (main thread only).
wchar_t g_classNameBuffer[64];

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

CUpdateModule* ModuleOf(HWND window) {
  if (!window || !IsWindow(window)) return nullptr;
  return reinterpret_cast<CUpdateModule*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::wstring ReadIniValue(const std::wstring& path, const wchar_t* key, const wchar_t* fallback) {
  wchar_t buffer[kIniValueLength] = {0};
  GetPrivateProfileStringW(kSection, key, fallback, buffer, kIniValueLength, path.c_str());
  return buffer;
}

// The server's version becomes part of a file name that the module may delete: it must
// not lead out of the download folder.
std::wstring FileNameSafe(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c != L'\\' && c != L'/' && c != L':') out += c;
  }
  return out;
}

// An answer that names no installer, or one whose size or digest cannot be used, would let
// the engine "complete" an empty file: it fails as an answer with a bad status does.
bool IsUsableAnswer(const InstallInfo& info) {
  if (info.url.empty() || info.sizeText.empty()) return false;
  for (wchar_t c : info.sizeText) {
    if (c < L'0' || c > L'9') return false;
  }
  if (StringUtils::ToInt64(info.sizeText) <= 0) return false;
  // No digest at all is allowed: the check is then skipped.
  if (info.md5.empty()) return true;
  if (info.md5.size() != 32) return false;
  for (wchar_t c : info.md5) {
    if (!iswxdigit(static_cast<wint_t>(c))) return false;
  }
  return true;
}

// Ends the processes that run this very file: another run's or another user's installer of
// the same name elsewhere is none of ours.
int KillProcessesByImage(const std::wstring& path) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  PROCESSENTRY32W entry = PROCESSENTRY32W();
  entry.dwSize = sizeof(entry);
  const DWORD self = GetCurrentProcessId();
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == self || _wcsicmp(entry.szExeFile, kInstallerName) != 0) continue;
    if (_wcsicmp(CommonUtils::GetProcessImagePath(entry.th32ProcessID).c_str(), path.c_str()) != 0) continue;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
    if (process == nullptr) continue;
    if (TerminateProcess(process, 0)) ++count;
    CloseHandle(process);
  }
  CloseHandle(snapshot);
  return count;
}

}  // namespace

const ErrorPair CUpdateModule::kUnusableAnswer{kErrHttp, 200};

CUpdateModule::CUpdateModule(const std::wstring& downloadDir, IGameEventListener* listener, uint32_t ownerValue)
    : m_ownerValue(ownerValue), m_downloadDir(FileUtils::CanonicalFolder(downloadDir)), m_listener(listener) {
  Json::Value options(Json::objectValue);
  options["game"] = "JF_mini_downloader";
  options["type"] = 2;
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  m_optionsText = Json::writeString(writer, options);

  const std::wstring ini = CommonUtils::GetModuleDir() + L"\\jfminiinstall.ini";
  if (FileUtils::IsFileExist(ini)) {
    wchar_t url[256] = {0};
    GetPrivateProfileStringW(L"Debug", L"UpdateURL", L"", url, 256, ini.c_str());
    if (url[0]) m_urlList.push_back(url);
  }
  if (m_urlList.empty()) m_urlList = DeploymentProfile::UpdateUrls();
}

CUpdateModule::~CUpdateModule() {
  // The window carries a pointer to this module: it must not outlive it.
  if (m_messageWindow) Stop();
}

DWORD CUpdateModule::CreateHelperWindow() {
  DestroyHelperWindow();
  ++g_classCounter;
  _snwprintf(g_classNameBuffer, sizeof g_classNameBuffer / sizeof g_classNameBuffer[0] - 1,
             L"_UPDATE_MODULE_HELPER_WINDOW_VARNEL%d", g_classCounter);
  m_windowClassName = g_classNameBuffer;

  WNDCLASSW wc = {};
  wc.lpfnWndProc = &CUpdateModule::HelperWndProc;
  wc.hInstance = ModuleInstance();
  wc.lpszClassName = m_windowClassName.c_str();
  if (!RegisterClassW(&wc)) {
    const DWORD error = GetLastError();
    ConsoleLogger::Instance().Log(kLogError, L"[UM]regclass %d", static_cast<int>(error));
    FileLogger::Instance().LogAt(kLogError, __LINE__, kSourceFile, L"[UM]rcls %d:%d", kErrSys, static_cast<int>(error));
    return error;
  }
  HWND window = CreateWindowExW(0, m_windowClassName.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ModuleInstance(), nullptr);
  if (!window) {
    const DWORD error = GetLastError();
    UnregisterClassW(m_windowClassName.c_str(), ModuleInstance());
    ConsoleLogger::Instance().Log(kLogError, L"[UM]unregclass %d", static_cast<int>(error));
    FileLogger::Instance().LogAt(kLogError, __LINE__, kSourceFile, L"[UM]urcls %d:%d", kErrSys, static_cast<int>(error));
    return error;
  }
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  m_messageWindow = window;
  return 0;
}

DWORD CUpdateModule::CreateDownloadDir() {
  SetLastError(ERROR_SUCCESS);
  if (FileUtils::CreateDirectoryTree(m_downloadDir)) return 0;
  const DWORD error = GetLastError();
  return error ? error : ERROR_PATH_NOT_FOUND;
}

void CUpdateModule::RequestInstallInfo() {
  if (m_urlList.empty()) return;
  std::wstring joined;
  if (m_urlList.size() > 1) {
    for (const std::wstring& url : m_urlList) {
      if (!joined.empty()) joined += L";";
      joined += url;
    }
  }
  m_infoCommand.m_verifyHost = true;
  m_infoCommand.GetWithIps(joined, m_urlList.front(), m_messageWindow, GetSpareDnsTable().infoAddresses,
                           &CUpdateModule::OnInfoHttpDone);
}

void CUpdateModule::ReportAttemptFailure(DWORD error) {
  const ErrorPair failure = SystemErrorPair(error);
  if (m_messageWindow &&
      PostMessageW(m_messageWindow, kMsgInfoDone, ErrorTypeParam(failure), ErrorCodeParam(failure))) {
    return;
  }
  if (m_listener) m_listener->OnInstallInfoResult(failure.type, failure.code, m_installInfo.version, m_installInfo.md5);
}

void CUpdateModule::Stop() {
  m_infoCommand.Stop();
  if (m_taskHeld) DownloadEngine::RemoveTask(m_installInfo.url.c_str(), m_installerPath.c_str());
  m_taskHeld = false;
  m_infoText.clear();
  m_downloading = 0;
  m_updateInfo.Reset();
  DestroyHelperWindow();
}

void CUpdateModule::DestroyHelperWindow() {
  if (!m_messageWindow) return;
  SetWindowLongPtrW(m_messageWindow, GWLP_USERDATA, 0);
  DestroyWindow(m_messageWindow);
  UnregisterClassW(m_windowClassName.c_str(), ModuleInstance());
  m_messageWindow = nullptr;
}

void CUpdateModule::ResumeDownload() { AddDownloadTask(); }

void CUpdateModule::OnInfoHttpDone(void* userData, const std::string& body, int errorType, int errorCode) {
  HWND window = static_cast<HWND>(userData);
  CUpdateModule* module = ModuleOf(window);
  // A module that was stopped meanwhile has nobody left to tell.
  if (module == nullptr) return;
  module->m_infoText = StringUtils::Utf8ToWide(body);
  // A byte-order mark would become part of the first section name.
  if (!module->m_infoText.empty() && module->m_infoText[0] == 0xFEFF) module->m_infoText.erase(0, 1);
  const ErrorPair result{errorType, errorCode};
  PostToWindow(window, kMsgInfoDone, ErrorTypeParam(result), ErrorCodeParam(result));
}

void CUpdateModule::OnDownloadProgressCallback(uintptr_t userData, int64_t total, int64_t complete, int32_t speed) {
  HWND window = reinterpret_cast<HWND>(userData);
  if (CUpdateModule* module = ModuleOf(window)) {
    ProtoValue& process = module->m_progressRecord[L"process"];
    process[L"total"] = total;
    process[L"complete"] = complete;
    process[L"speed"] = speed;
  }
  PostToWindow(window, kMsgProgress, 0, 0);
}

void CUpdateModule::OnDownloadDoneCallback(uintptr_t userData, int32_t errorType, int32_t errorCode) {
  if (CUpdateModule* module = ModuleOf(reinterpret_cast<HWND>(userData))) module->m_taskHeld = false;
  const ErrorPair result{errorType, errorCode};
  PostToWindow(reinterpret_cast<HWND>(userData), kMsgDownloadDone, ErrorTypeParam(result), ErrorCodeParam(result));
}

LRESULT CALLBACK CUpdateModule::HelperWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CUpdateModule* module = reinterpret_cast<CUpdateModule*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  const ErrorPair result = ErrorPairFromParams(wParam, lParam);
  switch (message) {
    case kMsgInfoDone:
      if (module) module->OnInstallInfoReceived(result);
      return 0;
    case kMsgProgress:
      if (module) module->OnProgressMessage();
      return 0;
    case kMsgDownloadDone:
      if (module) module->OnDownloadFinished(result);
      return 0;
    case 0x7EB:
    case 0x7EC:
    case 0x7ED:
    case 0x7EE:
    case 0x7EF:
    case WM_TIMER:
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

void CUpdateModule::OnInstallInfoReceived(ErrorPair result) {
  m_infoCommand.Stop();
  if (result.Ok()) {
    wchar_t name[64] = {0};
    _snwprintf(name, 63, L"jfinstall_%d.ini", static_cast<int>(static_cast<uint32_t>(time(nullptr))));
    const std::wstring path = FileUtils::PathInFolder(m_downloadDir, name).substr(0, 2047);
    if (StoreAndReadInstallInfo(path, result)) {
      if (!IsUsableAnswer(m_installInfo)) {
        FileLogger::Instance().LogAt(kLogError, __LINE__, kSourceFile, L"[UM] answer without a usable Url/Size/Md5");
        result = kUnusableAnswer;
      } else if (const DWORD error = StartInstallerDownload(L".tmp")) {
        // Without a download no result would ever follow: the attempt failed.
        result = SystemErrorPair(error);
      }
    }
    DeleteFileW(path.c_str());
  }
  if (m_listener) m_listener->OnInstallInfoResult(result.type, result.code, m_installInfo.version, m_installInfo.md5);
}

bool CUpdateModule::StoreAndReadInstallInfo(const std::wstring& path, ErrorPair& result) {
  CFileEx file;
  CFileExException openError;
  if (!file.Open(path.c_str(), CFileEx::modeWrite | CFileEx::shareDenyWrite | CFileEx::modeNoInherit | CFileEx::modeCreate,
                 &openError)) {
    result = SystemErrorPair(openError.GetCode());
    return false;
  }
  try {
    std::string bytes("\xFF\xFE", 2);
    bytes += StringUtils::ToUtf16LE(m_infoText);
    file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    file.Flush();
    file.Close();
  } catch (const CFileExException& e) {
    // A file that was not written whole would be read as a shorter answer.
    file.Abort();
    result = SystemErrorPair(e.GetCode());
    return false;
  }

  InstallInfo info;
  info.url = ReadIniValue(path, L"Url", L"");
  info.murl = ReadIniValue(path, L"murl", L"");
  info.sizeText = ReadIniValue(path, L"Size", L"");
  info.md5 = ReadIniValue(path, L"Md5", L"");
  info.version = ReadIniValue(path, L"Version", L"");
  info.cdnHost = ReadIniValue(path, L"ThirdCDNHost", L"");
  info.cdnMinSpeed = StringUtils::ToInt64(ReadIniValue(path, L"ThirdCDNMinSpeed", L"0"));
  info.sslUrl = ReadIniValue(path, L"SSLUrl", L"");
  if (!info.sslUrl.empty()) info.url = info.sslUrl;
  m_installInfo = info;
  return true;
}

DWORD CUpdateModule::StartInstallerDownload(const std::wstring& suffix) {
  if (const DWORD error = CreateDownloadDir()) return error;
  m_installerPath = FileUtils::PathInFolder(m_downloadDir, kInstallerName);
  m_partialName = StringUtils::Format(L"%s_%s%s", PathBeforeLast(m_installerPath, L".").c_str(),
                                      FileNameSafe(m_installInfo.version).c_str(), suffix.c_str());
  m_downloading = 1;
  m_task = DownloadTaskRequest();
  m_task.url = m_installInfo.url;
  m_task.spareAddresses = GetSpareDnsTable().downloadAddresses;
  m_task.cdnHost = m_installInfo.cdnHost;
  m_task.cdnMinSpeed = m_installInfo.cdnMinSpeed;
  m_task.fullPath = m_installerPath;
  m_task.md5 = m_installInfo.md5;
  m_task.size = StringUtils::ToInt64(m_installInfo.sizeText);
  m_task.options = m_optionsText;
  m_task.userData = reinterpret_cast<uintptr_t>(m_messageWindow);
  m_task.progress = &CUpdateModule::OnDownloadProgressCallback;
  m_task.completion = &CUpdateModule::OnDownloadDoneCallback;
  AddDownloadTask();
  return 0;
}

void CUpdateModule::AddDownloadTask() {
  if (m_task.fullPath.empty()) return;
  // Held before the call: a task that ends at once calls back from inside it.
  m_taskHeld = true;
  DownloadEngine::AddTask(m_task);
}

void CUpdateModule::OnProgressMessage() {
  if (!m_downloading || !m_listener) return;
  const ProtoValue& process = m_progressRecord.get(L"process");
  m_listener->OnDownloadProgress(process.get(L"total").integer(), process.get(L"complete").integer(),
                                 static_cast<int32_t>(process.get(L"speed").integer()), 0);
}

void CUpdateModule::OnDownloadFinished(ErrorPair result) {
  if (!m_downloading) return;
  // The engine has let its task go before it called back: nothing is left to remove.
  m_downloading = 0;
  if (result.Ok()) {
    // A stale installer still running would keep the new one from starting.
    CommonUtils::EnableDebugPrivilege();
    KillProcessesByImage(m_installerPath);
    NotifyDownloadResult(result, nullptr);
    return;
  }
  const uint64_t size = FileUtils::GetFileSize(m_partialName);
  if (size == static_cast<uint64_t>(-1) || size == 0) DeleteFileW(m_partialName.c_str());
  NotifyDownloadResult(result, L"安装失败");
}

void CUpdateModule::NotifyDownloadResult(ErrorPair result, const wchar_t* message) {
  if (m_listener) m_listener->OnDownloadResult(result.type, result.code, message ? message : L"");
}

void CUpdateModule::LogPostFailure(DWORD error) {
  FileLogger::Instance().LogAt(kLogError, __LINE__, kSourceFile, L"[UM] post message failed:%u", error);
  ConsoleLogger::Instance().Log(kLogError, L"[UM] post_message failed:%u", error);
}

void CUpdateModule::PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!PostMessageW(window, message, wParam, lParam)) LogPostFailure(GetLastError());
}
