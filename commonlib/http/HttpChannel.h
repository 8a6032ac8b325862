// A request channel: one curl worker thread and the request manager that feeds it. The
// command channel and the download channel are both opened and closed this way.
#pragma once

class CCurlWorkshop;
class CHttpMgr;

namespace HttpChannel {

// Creates whichever of the two is missing and starts the worker.
bool Open(CCurlWorkshop*& workshop, CHttpMgr*& manager);
// Stops the worker and frees both. Each pointer is cleared before its object goes, so a
// timer procedure that still runs finds no channel rather than a freed one.
bool Close(CCurlWorkshop*& workshop, CHttpMgr*& manager);

}  // namespace HttpChannel
