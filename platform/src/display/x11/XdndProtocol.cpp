#include "platform/src/display/x11/XdndProtocol.h"

#include <cstdio>
#include <cstring>

#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"

namespace jf {

namespace {

bool Unreserved(unsigned char ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '/' ||
         ch == '-' || ch == '_' || ch == '.' || ch == '~';
}

int HexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// A host path that names one file as a Windows path can: absolute, UTF-8, and without a NUL
// (which would split it in two), another control character, a backslash (a separator there)
// or a character that Windows keeps out of names.
bool OneFileName(const std::string& host) {
  if (host.empty() || host[0] != '/') return false;
  for (unsigned char ch : host) {
    if (ch < 0x20 || std::strchr("\\:*?\"<>|", ch)) return false;
  }
  return ToUtf8(FromUtf8(host)) == host;
}

// The host path of a "file://" line (after an optional host name), percent escapes decoded;
// false for comments, other schemes and lines that name no single file.
bool HostPathOf(const std::string& line, std::string* host) {
  if (line.empty() || line[0] == '#' || line.compare(0, 7, "file://") != 0) return false;
  const size_t slash = line.find('/', 7);
  if (slash == std::string::npos) return false;
  host->clear();
  for (size_t i = slash; i < line.size(); ++i) {
    if (line[i] != '%') {
      *host += line[i];
    } else if (i + 2 < line.size() && HexValue(line[i + 1]) >= 0 && HexValue(line[i + 2]) >= 0) {
      *host += char(HexValue(line[i + 1]) * 16 + HexValue(line[i + 2]));
      i += 2;
    } else {
      return false;
    }
  }
  return OneFileName(*host);
}

}  // namespace

XdndProtocol::Atoms XdndProtocol::Get(Display* dpy) {
  // Interned on each use: a later connection may be to another server (tests start one of
  // their own each), where the same names have other numbers.
  const char* names[] = {"XdndAware", "XdndEnter", "XdndPosition", "XdndStatus", "XdndLeave", "XdndDrop",
                         "XdndFinished", "XdndSelection", "XdndTypeList", "XdndActionCopy", "XdndActionMove",
                         "XdndActionLink", "UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "text/uri-list",
                         "TARGETS", "JF_XDND"};
  Atom atoms[18] = {};
  XInternAtoms(dpy, const_cast<char**>(names), 18, False, atoms);
  return Atoms{atoms[0],  atoms[1],  atoms[2],  atoms[3],  atoms[4],  atoms[5],  atoms[6],  atoms[7],  atoms[8],
               atoms[9],  atoms[10], atoms[11], atoms[12], atoms[13], atoms[14], atoms[15], atoms[16], atoms[17]};
}

void XdndProtocol::Send(Display* dpy, ::Window to, Atom type, ::Window from, long l1, long l2, long l3, long l4) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.display = dpy;
  ev.xclient.window = to;
  ev.xclient.message_type = type;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = long(from);
  ev.xclient.data.l[1] = l1;
  ev.xclient.data.l[2] = l2;
  ev.xclient.data.l[3] = l3;
  ev.xclient.data.l[4] = l4;
  XSendEvent(dpy, to, False, NoEventMask, &ev);
  XFlush(dpy);
}

XSelectionEvent XdndProtocol::ReplyTo(const XSelectionRequestEvent& req) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.display = req.display;
  reply.requestor = req.requestor;
  reply.selection = req.selection;
  reply.target = req.target;
  reply.time = req.time;
  reply.property = None;
  return reply;
}

Atom XdndProtocol::ActionFor(Display* dpy, DWORD effect) {
  const Atoms& a = Get(dpy);
  if (effect & DROPEFFECT_MOVE) return a.move;
  if (effect & DROPEFFECT_COPY) return a.copy;
  if (effect & DROPEFFECT_LINK) return a.link;
  return None;
}

DWORD XdndProtocol::EffectOf(Display* dpy, Atom action) {
  const Atoms& a = Get(dpy);
  if (action == a.move) return DROPEFFECT_MOVE;
  if (action == a.link) return DROPEFFECT_LINK;
  if (action == None) return DROPEFFECT_NONE;
  return DROPEFFECT_COPY;  // copy, and any private action, as the protocol advises
}

std::string XdndProtocol::UriList(const std::vector<std::wstring>& windowsPaths) {
  std::string out;
  for (const std::wstring& path : windowsPaths) {
    std::string host;
    if (!HostPathFromWin(path, host)) continue;
    out += "file://";
    for (unsigned char ch : host) {
      if (Unreserved(ch)) {
        out += char(ch);
      } else {
        char hex[4];
        std::snprintf(hex, sizeof(hex), "%%%02X", ch);
        out += hex;
      }
    }
    out += "\r\n";
  }
  return out;
}

std::vector<std::wstring> XdndProtocol::PathsOf(const std::string& uriList) {
  std::vector<std::wstring> paths;
  size_t at = 0;
  while (at < uriList.size()) {
    size_t end = uriList.find('\n', at);
    if (end == std::string::npos) end = uriList.size();
    std::string line = uriList.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string host;
    if (HostPathOf(line, &host)) paths.push_back(WinPathFromHost(host));
  }
  return paths;
}

}  // namespace jf
