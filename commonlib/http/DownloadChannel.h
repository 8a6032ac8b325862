// The download engine's own request channel: one curl worker and one request manager, kept
// apart from the command channel. Both pointers stay null outside InitHttp..UninitHttp.
#pragma once

class CCurlWorkshop;
class CHttpMgr;

extern CCurlWorkshop* g_downloadWorkshop;
extern CHttpMgr* g_downloadManager;

namespace DownloadEngine {

// Creates and starts what is missing of the channel (at most 10 running requests); true.
bool InitHttp();
// Stops the worker (waiting for it), frees the worker and the manager; true.
bool UninitHttp();

}  // namespace DownloadEngine
