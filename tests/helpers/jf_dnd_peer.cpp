// Another program for the drag-and-drop tests, on the X display the test names.
//   jf_dnd_peer DISPLAY X Y target        a window at X,Y (200x150) whose drop target takes
//                                          text and files; prints "ready", then one line per
//                                          drop ("drop EFFECT text:..." or "drop EFFECT
//                                          files:A|B") and exits.
//   jf_dnd_peer DISPLAY X Y text|files    a window at X,Y that starts a drag of a text or of
//                                          two files when pressed; prints "ready", then
//                                          "done RESULT EFFECT" and exits.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/src/internal/utf.h"
#include "platform/src/user/UserArea.h"
#include "platform/testing/hooks/testinput.h"

namespace {

const char* g_mode = "";

class PrintTarget : public IDropTarget {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD keys, POINTL, DWORD* effect) override {
    *effect = Choose(keys, *effect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override {
    *effect = Choose(keys, *effect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
    *effect = Choose(keys, *effect);
    std::wstring text;
    std::vector<std::wstring> files;
    std::string line = "drop " + std::to_string(*effect);
    if (jf::DragData::FilesOf(data, &files)) {
      line += " files:";
      for (size_t i = 0; i < files.size(); ++i) line += (i ? "|" : "") + jf::ToUtf8(files[i]);
    } else if (jf::DragData::TextOf(data, &text)) {
      line += " text:" + jf::ToUtf8(text);
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    PostQuitMessage(0);
    return S_OK;
  }

 private:
  static DWORD Choose(DWORD keys, DWORD allowed) {
    if ((keys & MK_CONTROL) && (allowed & DROPEFFECT_COPY)) return DROPEFFECT_COPY;
    return allowed & DROPEFFECT_MOVE ? DWORD(DROPEFFECT_MOVE) : allowed & DROPEFFECT_COPY;
  }
};

LRESULT CALLBACK PeerProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_LBUTTONDOWN && std::strcmp(g_mode, "target") != 0) {
    auto* data = new jf::DragData;
    if (std::strcmp(g_mode, "files") == 0) {
      data->SetFiles({L"Z:\\tmp\\jf dnd\\一.txt", L"Z:\\tmp\\b%.bin"});
    } else {
      data->SetText(L"来自 peer");
    }
    auto* source = new jf::DragSource(MK_LBUTTON);
    DWORD effect = 0;
    const HRESULT hr = DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    data->Release();
    source->Release();
    std::printf("done %ld %lu\n", long(hr), (unsigned long)effect);
    std::fflush(stdout);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, w, l);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  g_mode = argv[4];
  if (!jf::TestUseDisplay(argv[1])) return 3;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = PeerProc;
  wc.lpszClassName = L"JfDndPeer";
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, L"JfDndPeer", L"peer", WS_POPUP | WS_VISIBLE, std::atoi(argv[2]), std::atoi(argv[3]),
                              200, 150, nullptr, nullptr, nullptr, nullptr);
  if (!hwnd) return 4;
  PrintTarget target;
  if (std::strcmp(g_mode, "target") == 0) RegisterDragDrop(hwnd, &target);
  UpdateWindow(hwnd);
  std::printf("ready\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  RevokeDragDrop(hwnd);
  DestroyWindow(hwnd);
  jf::TestCloseDisplay();
  return 0;
}
