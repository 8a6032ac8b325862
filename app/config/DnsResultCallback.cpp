#include "app/config/DnsResultCallback.h"

#include <vector>

#include "commonlib/http/SpareDnsTable.h"
#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"
#include "commonlib/util/StringUtils.h"

namespace {

const wchar_t kSourceFile[] = L"MainApp";

template <class... A>
void LogInfo(int line, const wchar_t* format, A... args) {
  FileLogger::Instance().LogAt(kLogInfo, line, kSourceFile, format, args...);
  TraceLogger::Instance().Log(kLogInfo, format, args...);
}

}  // namespace

void dns_result_callback(int code, void* context, const std::string& domain, const std::string& ipList) {
  const std::wstring domainText = StringUtils::AnsiToWide(domain);
  const std::wstring list = StringUtils::Utf8ToWide(ipList);
  // The context is an identifier, logged in hexadecimal.
  const unsigned id = static_cast<unsigned>(reinterpret_cast<uintptr_t>(context));
  if (code != 0 || ipList.empty()) {
    LogInfo(__LINE__, L"dns_result_callback OnSpareDNSResult 失败 code:%d, domain:%s ,id:0x%x", code, domainText.c_str(), id);
    return;
  }
  LogInfo(__LINE__, L"dns_result_callback OnSpareDNSResult 解析成功 code:%d, domain:%s, ip_list:%s, id:0x%x", code,
          domainText.c_str(), list.c_str(), id);
  std::vector<std::wstring> addresses;
  StringUtils::Split(addresses, list, L";", true);
  if (addresses.size() != 1) return;
  SpareDnsTable& table = GetSpareDnsTable();
  const auto it = table.selectorLists.find(addresses.front());
  if (it == table.selectorLists.end()) return;
  table.downloadAddresses = it->second;
  LogInfo(__LINE__, L"解析ip列表为:%s", table.downloadAddresses.c_str());
}
