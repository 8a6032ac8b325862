// The HTTP source of a download: one range request per block, run by the download worker
// and the download request manager. Address sources are forced to one spare IP address;
// the CDN source carries the CDN flag.
#pragma once

#include <cstdint>
#include <string>

#include "commonlib/core/ProtoValue.h"
#include "commonlib/http/CHttpBase.h"
#include "commonlib/http/ResultCodes.h"
#include "commonlib/peer/CDownloadPeer.h"

class CHttpDownloadPeer : public CDownloadPeer, public CHttpBase {
 public:
  CHttpDownloadPeer(const std::string& options, const std::wstring& url, const std::wstring& fullName,
                    bool restartOnRedirect);
  ~CHttpDownloadPeer() override;

  // CDownloadPeer
  bool StartBlock(BlockRequest* block) override;
  bool Stop() override;
  std::wstring GetIp() override;
  std::wstring GetHost() override;
  std::wstring GetLogName() override;
  bool IsP2P() override { return false; }

  // CHttpBase
  void SetIp(const std::wstring& host, const std::wstring& ip, uint16_t port) override;
  uint64_t Start() override;
  void Done(int errorType, int errorCode) override;
  void OnResponseCode(int httpCode, const ProtoValue& headers) override { OnHeader(httpCode, headers); }
  void OnProgress(int64_t bytes) override { OnReceived(bytes); }

  void Cancel() { CHttpBase::Stop(); }
  // Stops the running transfer's writes and makes the block's received count exact, so a
  // pause records every byte that reached the file.
  void Settle();
  void OnHeader(int status, const ProtoValue& headers);
  void OnReceived(int64_t bytes);

  // The value of a header, whatever the case of its name; empty when absent.
  static std::wstring FindHeader(const ProtoValue& headers, const std::wstring& name);
  // True when a Content-Range value ("bytes 5-9/100") names exactly [first, last].
  static bool NamesRange(const std::wstring& contentRange, uint64_t first, uint64_t last);
  // A Location value made absolute against the address that was asked for.
  static std::wstring ResolveLocation(const std::wstring& base, const std::wstring& location);

  bool m_cdn;
  bool m_restartOnRedirect;
  ProtoValue m_options;
  std::wstring m_address;
  uint32_t m_accountTick;
  std::wstring m_location;

 private:
  std::wstring ServerIp();
  void FireEvent(int event, ErrorPair error, ProtoValue& payload);
  // A failure that another attempt may cure, while attempts are left: announce the retry and
  // queue the request again. Answers whether it did.
  bool RetryAfter(ErrorPair error, const std::wstring& serverIp);
  // Bytes the sink of the running attempt has written (its transfer must be given up).
  void SettleReceived();

  // Where the running attempt began writing and how many bytes it must bring.
  int64_t m_attemptOffset;
  int64_t m_attemptExpected;
  bool m_attemptCounted;
  int64_t m_attemptWritten;
  // Fewer bytes than this within the stall time-out count as a stall.
  static const int64_t kStallFloorBytes = 1024;
  uint32_t m_floorTick;
  int64_t m_floorBytes;
};
