// A drop target that logs what reaches it and a drop source that plays a script of input,
// one step each time the drag loop asks whether to go on, for the drag-and-drop tests.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/src/user/UserArea.h"

namespace dndtest {

class LogTarget : public IDropTarget {
 public:
  // The effect the target wants for the keys and the allowed effects (default: Ctrl copies,
  // else move).
  std::function<DWORD(DWORD keys, DWORD allowed)> choose = [](DWORD keys, DWORD allowed) -> DWORD {
    if ((keys & MK_CONTROL) && (allowed & DROPEFFECT_COPY)) return DROPEFFECT_COPY;
    return allowed & DROPEFFECT_MOVE ? DWORD(DROPEFFECT_MOVE) : allowed & DROPEFFECT_COPY;
  };
  std::vector<std::string> log;
  std::wstring droppedText;
  std::vector<std::wstring> droppedFiles;
  POINTL dropPoint = {0, 0};
  ULONG refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
    *effect = choose(keys, *effect);
    log.push_back("enter " + std::to_string(*effect) + (jf::DragData::Offers(data, CF_UNICODETEXT) ? " text" : "") +
                  (jf::DragData::Offers(data, CF_HDROP) ? " files" : ""));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override {
    *effect = choose(keys, *effect);
    if (log.empty() || log.back() != "over " + std::to_string(*effect)) log.push_back("over " + std::to_string(*effect));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    log.push_back("leave");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override {
    *effect = choose(keys, *effect);
    jf::DragData::TextOf(data, &droppedText);
    jf::DragData::FilesOf(data, &droppedFiles);
    dropPoint = pt;
    log.push_back("drop " + std::to_string(*effect));
    return S_OK;
  }
};

class ScriptSource : public IDropSource {
 public:
  std::vector<std::function<void()>> steps;  // one per question of the loop
  std::vector<HCURSOR> cursors;               // the cursor at each question
  std::vector<DWORD> feedback;
  size_t next = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    cursors.push_back(GetCursor());
    HRESULT hr = S_OK;
    if (escape) hr = DRAGDROP_S_CANCEL;
    else if (!(keys & MK_LBUTTON)) hr = DRAGDROP_S_DROP;
    if (hr == S_OK && next < steps.size()) steps[next++]();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
    feedback.push_back(effect);
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
};

}  // namespace dndtest
