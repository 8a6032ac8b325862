#include "commonlib/http/DownloadChannel.h"

#include <windows.h>

#include "commonlib/http/HttpChannel.h"

CCurlWorkshop* g_downloadWorkshop = nullptr;
CHttpMgr* g_downloadManager = nullptr;

namespace DownloadEngine {

bool InitHttp() { return HttpChannel::Open(g_downloadWorkshop, g_downloadManager); }

bool UninitHttp() { return HttpChannel::Close(g_downloadWorkshop, g_downloadManager); }

}  // namespace DownloadEngine
