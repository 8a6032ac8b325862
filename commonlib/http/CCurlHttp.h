// The HTTP transfer: collects the status and the header map, writes the body of a good
// response to its output stream and reads an upload body from its input stream.
#pragma once

#include <mutex>
#include <string>

#include "commonlib/core/IBaseStream.h"
#include "commonlib/core/OBaseStream.h"
#include "commonlib/core/ProtoValue.h"
#include "commonlib/http/CCurlBase.h"
#include "commonlib/http/ResultCodes.h"

class CCurlHttp : public CCurlBase {
 public:
  CCurlHttp(CCurlWorkshop* workshop, CurlListener* listener);
  ~CCurlHttp() override;

  size_t OnRecieveHeader(const char* data, size_t size) override;
  size_t OnRecieveBody(const char* data, size_t size) override;
  size_t OnSendBody(char* buffer, size_t size) override;
  void Close() override;

  // Reads the status and the server address from libcurl; kNoTransferHandle without an easy handle.
  int ReadResponseInfo();

  // Main thread, safe while the worker still runs the transfer.
  std::string GetServerIp();
  // The bytes collected so far by a memory sink (empty for other sinks).
  std::string CopyBufferedBody();
  // The output stream's error pair, (0, 0) when it has none.
  // The error pair of the output stream; none without one.
  ErrorPair GetOutputError();

  ProtoValue m_headers;
  int m_httpCode;
  uint64_t m_uploadSize;
  uint64_t m_uploaded;
  bool m_rangeRequested;
  OBaseStream* m_output;
  IBaseStream* m_input;
  curl_slist* m_headerList;
  curl_slist* m_connectToList;
  curl_httppost* m_formFirst;
  curl_httppost* m_formLast;

 private:
  std::mutex m_ipLock;
  std::string m_serverIp;
};
