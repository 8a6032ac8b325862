// Delivers DWebBrowserEvents2 to the sinks of the browser's connection point, with the
// arguments in the types a sink checks (the parameters hold them last first).
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "platform/src/web/WebConnectionPoint.h"

namespace jf {

class WebEventFirer {
 public:
  // `browser` is the dispatch pointer every event names as its source.
  WebEventFirer(WebConnectionPoint* point, IDispatch* browser) : m_point(point), m_browser(browser) {}

  // Each answers true when a sink cancelled.
  bool BeforeNavigate2(const std::wstring& url, LONG flags, const std::wstring& frame, const std::wstring& headers);
  bool NavigateError(const std::wstring& url, const std::wstring& frame, LONG status);
  bool NewWindow3(DWORD flags, const std::wstring& context, const std::wstring& url);
  void NavigateComplete2(const std::wstring& url);
  void DocumentComplete(const std::wstring& url);
  void CommandStateChange(LONG command, bool enable);
  void TitleChange(const std::wstring& title);
  void ProgressChange(LONG progress, LONG progressMax);
  void StatusTextChange(const std::wstring& text);
  void DownloadBegin();
  void DownloadComplete();

 private:
  // `args` in declared order; they are reversed into the parameters.
  void Fire(DISPID id, VARIANT* args, UINT count);

  WebConnectionPoint* m_point;
  IDispatch* m_browser;
};

}  // namespace jf
