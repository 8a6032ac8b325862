// Collects one JSON record per finished download and posts them to the report server as a
// signed form: "sign" (lower-case hex MD5 of the key followed by the data) then "data" (the
// styled JSON text of the pending array).
#pragma once

#include <json/json.h>

#include <cstdint>
#include <memory>
#include <string>

#include "commonlib/core/ProtoValue.h"
#include "commonlib/thread/CCriticalLock.h"

class CHttpCommand;

class DownloadLog {
 public:
  static DownloadLog& GetInstance();

  // Keeps the texts and gathers the system's identity; creates the pending array and the
  // command. True.
  bool Init(const std::wstring& reportAddress, const std::wstring& version,
            const std::wstring& productId);
  void UnInit();
  // Makes a record of the fields, appends it and sends, unless not initialised or the
  // report address is empty.
  void Report(const ProtoValue& fields);
  // The fields as JSON with the collector's members set over them.
  Json::Value MakeRecord(const ProtoValue& fields);
  // Posts the pending array unless a post is in flight; the array is emptied either way.
  void Send();
  static void OnSendResult(void* userData, const std::string& response, int errorType,
                           int errorCode);
  static std::string JoinKeyAndData(const std::string& key, const std::string& data);
  // Lower-case hex MD5 of key + data.
  static std::string Sign(const std::string& key, const std::string& data);

  bool IsBusy() const { return m_busy != 0; }
  // Records waiting to be sent (0 before Init).
  uint32_t GetPendingCount();

  static const char* const kSignKey;

 private:
  DownloadLog();
  ~DownloadLog();

  std::unique_ptr<Json::Value> m_pending;
  CHttpCommand* m_command;
  std::wstring m_reportAddress;
  std::wstring m_version;
  std::wstring m_productId;
  std::wstring m_os;
  std::wstring m_mac;
  std::string m_localIp;
  int32_t m_id;
  uint8_t m_busy;
  CCriticalLock m_lock;
};
