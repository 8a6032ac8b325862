// One source of a download task: fetches one block at a time into the task's temporary
// file and reports the outcome through the event centre. The task owns and deletes it.
#pragma once

#include <string>

#include "commonlib/peer/BlockRequest.h"
#include "commonlib/peer/CPeerSpeedMeter.h"

class CDownloadPeer {
 public:
  CDownloadPeer();
  virtual ~CDownloadPeer();
  CDownloadPeer(const CDownloadPeer&) = delete;
  CDownloadPeer& operator=(const CDownloadPeer&) = delete;

  virtual bool StartBlock(BlockRequest* block) = 0;
  // Drops the current block and cancels the transfer; always true.
  virtual bool Stop() = 0;
  virtual std::wstring GetIp();
  virtual std::wstring GetHost();
  virtual std::wstring GetLogName();
  virtual bool IsP2P() = 0;

  // The identity that event payloads carry under "peer".
  int64_t EventId() const { return static_cast<int64_t>(reinterpret_cast<intptr_t>(this)); }

  std::wstring m_fullName;
  bool m_busy;
  std::wstring m_ownerKey;
  CPeerSpeedMeter m_speedMeter;
  BlockRequest* m_block;
};
