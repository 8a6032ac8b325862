// What both ends of the X drag-and-drop protocol share: its atoms, its client messages,
// the actions as drop effects, file lists as text/uri-list, and answers to selection requests.
#pragma once
#include <windows.h>
#include <ole2.h>
// After the layer's headers, whose names Xlib's macros would change.
#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace jf {

class XdndProtocol {
 public:
  static constexpr long kVersion = 5;

  struct Atoms {
    Atom aware, enter, position, status, leave, drop, finished, selection, typeList;
    Atom copy, move, link, utf8, textUtf8, textPlain, uriList, targets, incoming;
  };
  static Atoms Get(Display* dpy);

  // A client message of the protocol to `to`, from `from` in data.l[0].
  static void Send(Display* dpy, ::Window to, Atom type, ::Window from, long l1, long l2, long l3, long l4);

  // The answer to a request for a selection's data (the drop's, or the clipboard's), still
  // without a property: the owner sets one when it stores the data.
  static XSelectionEvent ReplyTo(const XSelectionRequestEvent& req);

  static Atom ActionFor(Display* dpy, DWORD effect);
  static DWORD EffectOf(Display* dpy, Atom action);

  // Windows paths as "file://" URIs, one per line ended by CR LF, and back: other schemes,
  // malformed lines and lines whose path is no single file name (a NUL, a control character,
  // a backslash or another character names cannot hold, not UTF-8) are left out.
  static std::string UriList(const std::vector<std::wstring>& windowsPaths);
  static std::vector<std::wstring> PathsOf(const std::string& uriList);
};

}  // namespace jf
