// What other programs hand a drop or a paste, each input read three ways: as a text/uri-list
// (XDND file lists), as UTF-8 text (XDND and clipboard text) and as a CF_HDROP block of
// exactly its bytes. Every name offered must be one whole, non-empty file name without a NUL,
// the block's names and lengths must agree however they are asked for, and nothing may be
// read outside the block (the sanitizers watch).
// fuzz-dict: drop_data.dict
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

// Before Xlib, whose Status macro would rename MsgQueue::Status.
#include "platform/src/user/UserArea.h"
#include "platform/src/display/x11/XdndProtocol.h"
#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"

namespace {

using Names = std::vector<std::wstring>;

void Check(bool ok, const char* what) {
  if (ok) return;
  fprintf(stderr, "drop data: %s\n", what);
  abort();
}

// Reads every name of a block the ways a drop target may, checking that they agree.
Names ReadBlock(HDROP drop) {
  Names names;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT len = DragQueryFileW(drop, i, nullptr, 0);
    Check(len > 0, "an empty name is offered");
    std::wstring name(len + 1, L'\x7f');
    Check(DragQueryFileW(drop, i, &name[0], len + 1) == len, "the length asked differs from the name copied");
    Check(name[len] == 0 && wcslen(name.c_str()) == len, "a name holds a NUL or is not ended");
    wchar_t cut[3] = {1, 1, 1};
    Check(DragQueryFileW(drop, i, cut, 3) == (len < 2 ? len : 2) && cut[len < 2 ? len : 2] == 0, "a cut name");
    name.resize(len);
    names.push_back(name);
  }
  Check(DragQueryFileW(drop, count, nullptr, 0) == 0, "a name past the count");
  POINT pt{};
  DragQueryPoint(drop, &pt);
  return names;
}

void UriList(const std::string& input) {
  const Names paths = jf::XdndProtocol::PathsOf(input);
  size_t lines = 1;
  for (char ch : input) lines += ch == '\n';
  Check(paths.size() <= lines, "more names than lines");
  for (const std::wstring& path : paths) {
    std::string host;
    Check(!path.empty() && path.find(L'\0') == std::wstring::npos, "a name with a NUL");
    Check(path.size() >= 3 && path[1] == L':' && path[2] == L'\\', "a name that is no full path");
    Check(jf::HostPathFromWin(path, host), "a name with no host form");
  }
  Check(jf::XdndProtocol::PathsOf(jf::XdndProtocol::UriList(paths)) == paths, "the list does not come back");
  HGLOBAL block = jf::DragData::FileBlock(paths, POINT{1, 2});
  Check(ReadBlock(reinterpret_cast<HDROP>(block)) == paths, "the block's names differ from the list's");
  GlobalFree(block);
}

void Text(const std::string& input) {
  const std::wstring text = jf::FromUtf8(input);
  auto* data = new jf::DragData;
  data->SetText(text);
  std::wstring back;
  Check(jf::DragData::TextOf(data, &back), "no text offered");
  Check(back == text.substr(0, text.find(L'\0')), "the text differs");
  FORMATETC fe = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (data->GetData(&fe, &medium) == S_OK) ReleaseStgMedium(&medium);
  data->Release();
}

void Block(const std::string& input) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, input.size());
  if (!mem) return;
  if (!input.empty()) std::memcpy(GlobalLock(mem), input.data(), input.size());
  GlobalUnlock(mem);
  ReadBlock(reinterpret_cast<HDROP>(mem));
  GlobalFree(mem);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  UriList(input);
  Text(input);
  Block(input);
  return 0;
}
