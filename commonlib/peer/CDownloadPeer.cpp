#include "commonlib/peer/CDownloadPeer.h"

CDownloadPeer::CDownloadPeer() : m_busy(false), m_block(nullptr) {}

CDownloadPeer::~CDownloadPeer() {}

std::wstring CDownloadPeer::GetIp() { return std::wstring(); }

std::wstring CDownloadPeer::GetHost() { return std::wstring(); }

std::wstring CDownloadPeer::GetLogName() { return std::wstring(); }
