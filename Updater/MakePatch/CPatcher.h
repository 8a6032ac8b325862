// The patch step: a worker that would apply a patch package to the install folder. The
// main window keeps one and stops it (it never starts it).
#pragma once

#include <cstdint>
#include <string>

#include "commonlib/core/ProtoValue.h"
#include "commonlib/thread/CSimpleThread.h"

class CPatcher : public CSimpleThread {
 public:
  // The outcome pair (error type, error code) of a patch run.
  typedef void (*ResultCallback)(void* userData, int32_t errorType, int32_t errorCode);

  CPatcher();
  ~CPatcher() override;

  void SetPaths(const std::wstring& packagePath, const std::wstring& installDir, const std::wstring& tempDir);
  void SetResultCallback(ResultCallback callback, void* userData);
  void Run() override;
  // Applies the package; reports a zero pair since no patch procedure is supplied.
  void DoPatch();

  const ProtoValue& GetOptions() const { return m_options; }

 private:
  std::wstring m_packagePath;
  std::wstring m_installDir;
  std::wstring m_tempDir;
  ResultCallback m_callback = nullptr;
  void* m_userData = nullptr;
  ProtoValue m_options;
  ProtoValue m_outcome;
};
