#include "DownloadChannel.h"

#include <windows.h>

#include "http/CCurlWorkshop.h"
#include "http/CHttpMgr.h"

CCurlWorkshop* g_downloadWorkshop = nullptr;
CHttpMgr* g_downloadManager = nullptr;

namespace DownloadEngine {

bool InitHttp() {
  if (!g_downloadWorkshop) {
    g_downloadWorkshop = new CCurlWorkshop();
    g_downloadWorkshop->Init();
    g_downloadWorkshop->Start();
  }
  if (!g_downloadManager) g_downloadManager = new CHttpMgr(10);
  return true;
}

bool UninitHttp() {
  if (CCurlWorkshop* workshop = g_downloadWorkshop) {
    workshop->DestroyThread(INFINITE);
    workshop->UnInit();
    g_downloadWorkshop = nullptr;
    delete workshop;
  }
  if (CHttpMgr* manager = g_downloadManager) {
    manager->Clear();
    manager->m_runningCount = 0;
    // Cleared first, so a timer procedure that still runs finds no manager.
    g_downloadManager = nullptr;
    delete manager;
  }
  return true;
}

}  // namespace DownloadEngine
