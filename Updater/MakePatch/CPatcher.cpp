#include "Updater/MakePatch/CPatcher.h"

#include "commonlib/http/ResultCodes.h"
#include "commonlib/logger/FileLogger.h"

namespace {

const wchar_t kSourceFile[] = L".\\Updater\\MakePatch\\CPatcher";

}  // namespace

CPatcher::CPatcher() = default;

CPatcher::~CPatcher() {
  // Run reads this object's fields: it must have ended first.
  DestroyThread(INFINITE);
}

void CPatcher::SetPaths(const std::wstring& packagePath, const std::wstring& installDir, const std::wstring& tempDir) {
  m_packagePath = packagePath;
  m_installDir = installDir;
  m_tempDir = tempDir;
}

void CPatcher::SetResultCallback(ResultCallback callback, void* userData) {
  m_callback = callback;
  m_userData = userData;
}

void CPatcher::Run() { DoPatch(); }

void CPatcher::DoPatch() {
  FileLogger::Instance().LogAt(kLogInfo, __LINE__, kSourceFile, L"[Patch]patch %s", m_packagePath.c_str());
  m_options.clear();
  m_options[L"reserved_file"].append(ProtoValue(L"update.ini"));
  m_options[L"tmp_file"] = ProtoValue(PV_ARRAY);
  m_options[L"real_file"] = ProtoValue(PV_ARRAY);
  // No patch procedure is supplied: the outcome stays the zero pair.
  m_outcome.clear();
  m_outcome[L"error_type"] = static_cast<int64_t>(kErrOk);
  m_outcome[L"error_code"] = static_cast<int64_t>(0);
  const ErrorPair outcome{static_cast<int32_t>(m_outcome.get(L"error_type").integer()),
                          static_cast<int32_t>(m_outcome.get(L"error_code").integer())};
  if (outcome != ErrorPair{}) {
    FileLogger::Instance().LogAt(kLogError, __LINE__, kSourceFile, L"s7ZPatchProc StopCallback %s %d %d",
                                 m_packagePath.c_str(), outcome.type, outcome.code);
  }
  if (m_callback) m_callback(m_userData, outcome.type, outcome.code);
}
