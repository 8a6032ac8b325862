#include "commonlib/http/HttpChannel.h"

#include <windows.h>

#include "commonlib/http/CCurlWorkshop.h"
#include "commonlib/http/CHttpMgr.h"

namespace HttpChannel {

bool Open(CCurlWorkshop*& workshop, CHttpMgr*& manager) {
  if (!workshop) {
    workshop = new CCurlWorkshop();
    workshop->Init();
    workshop->Start();
  }
  if (!manager) manager = new CHttpMgr(10);
  return true;
}

bool Close(CCurlWorkshop*& workshop, CHttpMgr*& manager) {
  if (CCurlWorkshop* w = workshop) {
    w->DestroyThread(INFINITE);
    w->UnInit();
    workshop = nullptr;
    delete w;
  }
  if (CHttpMgr* m = manager) {
    m->Clear();
    m->m_runningCount = 0;
    manager = nullptr;
    delete m;
  }
  return true;
}

}  // namespace HttpChannel
