// The general HTTP request: one GET or POST whose body and error pair reach a result
// callback on the main thread. Before it gives up it retries the address, walks the spare
// addresses, connects to known server addresses and finally to freshly resolved ones.
#pragma once

#include <list>
#include <memory>
#include <string>

#include "commonlib/http/CHttpBase.h"
#include "commonlib/http/ResultCodes.h"

class CCurlHttp;
class CCurlWorkshop;
class CDNSThread;
class CHttpMgr;

typedef void (*HttpCommandCallback)(void* userData, const std::string& body, int errorType,
                                    int errorCode);

// The command side of the engine, created at start-up and removed at shutdown.
extern CCurlWorkshop* g_commandWorkshop;
extern CHttpMgr* g_commandManager;
bool HttpCommandEngineInit();
bool HttpCommandEngineUninit();
bool IsCommandRegistered(CHttpBase* request);

class CHttpCommand : public CHttpBase {
 public:
  // How long a command waits for its answer, from the start of a transfer or from the last
  // status line, before it counts as timed out.
  static constexpr uint32_t kAnswerTimeoutMs = 20000;

  CHttpCommand();
  ~CHttpCommand() override;

  // allUrls: ";"-separated addresses that replace the list; ipList: ";"-separated server
  // addresses of which at most three, chosen at random, are used.
  bool GetWithIps(const std::wstring& allUrls, const std::wstring& url, void* userData,
                  const std::wstring& ipList, HttpCommandCallback callback);
  bool Get(const std::wstring& url, void* userData, HttpCommandCallback callback);
  bool Post(const std::string& body, const std::wstring& url, HttpCommandCallback callback);
  bool Submit();

  const std::wstring& GetUrl() override;
  void SetupCurl() override;
  uint64_t Start() override;
  bool Stop() override;
  void Done(int errorType, int errorCode) override;
  void OnResponseCode(int httpCode, const ProtoValue& headers) override;
  void OnDNSResult(const std::wstring& domain, const std::wstring& ipList);
  bool IsWaitingForLookup() const { return m_dnsPending; }

  static void PostHttpCommandResult(HttpCommandCallback callback, void* userData,
                                    const std::string& body, int errorType, int errorCode);
  // Every dotted IPv4 text ("1.2.3.4" to "255.255.255.255").
  static bool IsDottedIpv4(const std::wstring& text);

  HttpCommandCallback m_resultCallback;
  void* m_userData;
  std::string m_body;
  bool m_reportErrors;
  // A request whose answer timed out may have reached its server all the same: when false it
  // is not sent again (a record that must not arrive twice), and ends with the time-out.
  bool m_resendAfterTimeout;
  std::list<std::wstring> m_urls;
  std::wstring m_savedUrl;
  std::list<std::wstring> m_resolvedAddresses;
  bool m_dnsRetried;
  bool m_useResolved;
  // Shared with its run, which may outlast the 100 ms that a stop waits.
  std::shared_ptr<CDNSThread> m_dnsThread;

 private:
  // False while a start is in progress or when no address is left.
  bool AddFirstUrl(const std::wstring& url);
  bool Launch(void* userData, HttpCommandCallback callback);
  void Retry();
  // The failure of a transfer that libcurl ended, as the result map and its output tell it.
  ErrorPair ReadCurlFailure(CCurlHttp* transfer, int curlCode);
  // The steps of the retry ladder; each answers whether it took the request on.
  bool RetrySameAddress(ErrorPair error, const std::wstring& url, const std::wstring& ip);
  bool TrySpareAddress(ErrorPair error, const std::wstring& url, const std::wstring& ip);
  bool TryResolvedAddresses(ErrorPair error);
  bool StartLookup(ErrorPair error);
  // The final result: stop, forget this request's addresses and extras, post the pair.
  void Finish(ErrorPair error, const std::string& body, const std::wstring& url, const std::wstring& ip,
              bool logFailure);
  // The DNS fallback failed or never answered: end with the failure that started it.
  void FinishAfterFailedLookup();
  void StopDnsThread();

  bool m_dnsPending;
  ErrorPair m_fallbackError;
  std::wstring m_emptyUrl;
};

void cmd_dns_result_callback(int code, void* context, const std::string& domain,
                             const std::string& ipList);
