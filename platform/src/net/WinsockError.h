// The Winsock error of the calling thread, shared by the Winsock sources.
#pragma once

namespace jf {

// Records a WSA error number for WSAGetLastError (and GetLastError).
void SetWsaError(int code);
// errno of the host -> WSA error number.
int WsaFromErrno(int err);

}  // namespace jf
