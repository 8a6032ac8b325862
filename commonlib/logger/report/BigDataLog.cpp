#include "commonlib/logger/report/BigDataLog.h"

#include <ctime>
#include <vector>

#include "commonlib/core/DeploymentProfile.h"
#include "commonlib/http/CHttpCommand.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/logger/TraceLogger.h"
#include "commonlib/thread/MainThreadQueue.h"
#include "commonlib/thread/MainThreadTask2.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {
const wchar_t kFile[] = L"BigDataLog";
const unsigned char kKey[8] = {'k', 'e', 'l', 'v', 'o', '5', '1', '4'};
const char kContentType[] = "Content-Type:application/json;charset=utf-8";

std::string RenderField(const ProtoValue& value) {
  switch (value.type()) {
    case PV_STRING:
      return StringUtils::WideToUtf8(value.string());
    case PV_INTEGER:
      return StringUtils::FormatA("%lld", static_cast<long long>(value.integer()));
    case PV_MAP: {
      std::wstring joined;
      for (const auto& entry : *value.map()) {
        // Only text values are ever reported in a map; anything else gives an empty value.
        const std::wstring text =
            entry.second.type() == PV_STRING ? entry.second.string() : std::wstring();
        joined += entry.first + L":" + text + L",";
      }
      if (!joined.empty()) joined.pop_back();
      return StringUtils::WideToAnsi(joined);
    }
    default:
      return std::string();
  }
}
}  // namespace

const wchar_t* const BigDataLog::StatisticsFieldNames[] = {
    L"ftime", L"logic_sevice_id", L"logname", L"title",           L"version",     L"mac",
    L"package_id", L"gate",       L"os",      L"count_dimension", L"count_value", L""};

BigDataLog& BigDataLog::GetInstance() {
  static BigDataLog instance;
  return instance;
}

BigDataLog::BigDataLog()
    : m_serverAddress(DeploymentProfile::StatisticsServerUrl()),
      m_busy(0),
      m_command(nullptr),
      m_ownerThread(GetCurrentThreadId()) {
  DesSetKey(kKey, m_schedule);
}

BigDataLog::~BigDataLog() { UnInit(); }

void BigDataLog::UnInit() {
  delete m_command;
  m_command = nullptr;
  m_pending = Json::Value();
  m_busy = 0;
}

bool BigDataLog::IsMainThread() const {
  HWND window = GetThreadingWindow();
  DWORD mainThread = window ? GetWindowThreadProcessId(window, nullptr) : m_ownerThread;
  return mainThread == GetCurrentThreadId();
}

std::string BigDataLog::BuildLine(const ProtoValue& record) {
  std::string line;
  for (int i = 0; StatisticsFieldNames[i][0]; ++i) {
    if (i) line += '\t';
    if (record.type() == PV_MAP && record.has(StatisticsFieldNames[i]))
      line += RenderField(record.get(StatisticsFieldNames[i]));
  }
  return line;
}

std::string BigDataLog::Encipher(const std::string& line) const {
  const size_t length = line.size();
  const size_t padded = length / 8 * 8 + 8;
  std::vector<unsigned char> block(padded, static_cast<unsigned char>(padded - length));
  line.copy(reinterpret_cast<char*>(block.data()), length);
  DesEncryptEcb(padded, m_schedule, block.data(), block.data());
  std::string hex(2 * padded + 1, '\0');
  BytesToHexUpper(&hex[0], block.data(), padded);
  hex.pop_back();
  return hex;
}

bool BigDataLog::Report(const ProtoValue& record) {
  if (m_serverAddress.empty()) return false;
  if (record.type() != PV_NULL && record.type() != PV_MAP) return false;
  ProtoValue copy = record.type() == PV_MAP ? record : ProtoValue(PV_MAP);
  copy[L"ftime"] = CommonUtils::GetTimeString(static_cast<int64_t>(time(nullptr)));
  const std::string line = BuildLine(copy);
  JF_HTTP_LOG(kLogInfo, kFile, L"统计数据 %s", StringUtils::Utf8ToWide(line).c_str());
  const std::string hex = Encipher(line);
  if (IsMainThread()) {
    Append(hex);
  } else {
    HandOver(false, hex);
  }
  return true;
}

void BigDataLog::Append(const std::string& hex) {
  StatisticsRequest request(Json::objectValue);
  request["headers"] = Json::Value(Json::objectValue);
  request["body"] = hex;
  m_pending.append(request);
}

bool BigDataLog::Send() {
  if (IsMainThread()) return SendNow();
  // The command and its request manager belong to the main thread.
  HandOver(true, std::string());
  return true;
}

void BigDataLog::HandOver(bool send, const std::string& hex) {
  CRefPtr<MainThreadTaskBase> task =
      new MainThreadTask2<bool, bool, std::string, const std::string&>(RunHandedOver, send, hex);
  PostToMainThread(InvokeMainThreadTask, task);
}

void BigDataLog::RunHandedOver(bool send, const std::string& hex) {
  BigDataLog& log = GetInstance();
  if (!hex.empty()) log.Append(hex);
  if (send) log.SendNow();
}

bool BigDataLog::SendNow() {
  if (m_busy) return false;
  if (PendingCount() == 0 || m_serverAddress.empty()) return false;
  Json::FastWriter writer;
  const std::string text = writer.write(m_pending);
  if (!m_command) {
    m_command = new CHttpCommand();
    // A post that got no answer may have been stored: sent again, its records (a run's one
    // success record among them) would be counted twice.
    m_command->m_resendAfterTimeout = false;
  }
  if (!text.empty()) {
    m_command->ClearHeaders();
    m_command->AddHeader(kContentType);
    const bool accepted = m_command->Post(text, m_serverAddress, OnStatisticsResult);
    JF_HTTP_LOG(kLogInfo, kFile, L"开始统计 url:%s data:%s", m_serverAddress.c_str(),
                StringUtils::Utf8ToWide(text).c_str());
    if (accepted) m_busy = 1;
  }
  m_pending = Json::Value();
  return true;
}

void BigDataLog::OnStatisticsDone(int errorType, int errorCode) {
  JF_HTTP_LOG(kLogInfo, kFile, L"OnStatisticsDone et:%d ec:%d", errorType, errorCode);
  m_busy = 0;
}

void OnStatisticsResult(void* /*userData*/, const std::string& response, int errorType,
                        int errorCode) {
  TraceLogger::Instance().Log(kLogInfo, L"统计结果 %d:%d %s", errorType, errorCode,
                              StringUtils::Utf8ToWide(response).c_str());
  BigDataLog::GetInstance().OnStatisticsDone(errorType, errorCode);
}
