// The statistics collector: turns a record of the application into one enciphered line
// (eleven tab-separated fields, DES-ECB under a fixed key, upper-case hex) and posts the
// gathered lines to the statistics server in one JSON array.
//
// Its state belongs to the main thread: Report and Send called on another thread (the
// install worker) hand their work to the main thread through the task queue, in order.
#pragma once

#include <json/json.h>
#include <windows.h>

#include <string>

#include "commonlib/logger/report/DesCipher.h"
#include "commonlib/core/ProtoValue.h"

class CHttpCommand;

// One element of the pending array: {"headers": {}, "body": the enciphered line as hex}.
typedef Json::Value StatisticsRequest;

class BigDataLog {
 public:
  static BigDataLog& GetInstance();
  ~BigDataLog();
  BigDataLog(const BigDataLog&) = delete;
  BigDataLog& operator=(const BigDataLog&) = delete;

  // False when the server address is empty or the record is neither null nor a map.
  bool Report(const ProtoValue& record);
  // True when a post was attempted (or, off the main thread, handed to the main thread).
  bool Send();
  void OnStatisticsDone(int errorType, int errorCode);
  // Shutdown, before the command engine goes: drops the command and what still waits.
  void UnInit();

  // The plain line of a record (fields in order, UTF-8, tabs between them).
  static std::string BuildLine(const ProtoValue& record);
  // PKCS#5 fill, DES-ECB under the fixed key, upper-case hex.
  std::string Encipher(const std::string& line) const;

  const std::wstring& GetServerAddress() const { return m_serverAddress; }
  // Points the collector at another server (tests use a local one).
  void SetServerAddress(const std::wstring& address) { m_serverAddress = address; }
  bool IsBusy() const { return m_busy != 0; }
  unsigned PendingCount() const { return m_pending.isArray() ? m_pending.size() : 0; }

  static const wchar_t* const StatisticsFieldNames[];

 private:
  BigDataLog();
  bool IsMainThread() const;
  void Append(const std::string& hex);
  bool SendNow();
  static void HandOver(bool send, const std::string& hex);
  // Runs on the main thread: appends `hex` when it is not empty, then sends when asked.
  static void RunHandedOver(bool send, const std::string& hex);

  std::wstring m_serverAddress;
  unsigned char m_busy;
  CHttpCommand* m_command;
  Json::Value m_pending;
  DesKeySchedule m_schedule;
  DWORD m_ownerThread;
};

void OnStatisticsResult(void* userData, const std::string& response, int errorType, int errorCode);
