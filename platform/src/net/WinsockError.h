// The Winsock error of the calling thread, shared by the Winsock sources.
#pragma once

namespace jf {

// Records a WSA error number for WSAGetLastError (and GetLastError); a failure (nonzero) is
// traced on the net channel with the failing function. Use JF_SET_WSA_ERROR.
void SetWsaError(int code, const char* function);
// errno of the host -> WSA error number.
int WsaFromErrno(int err);

}  // namespace jf

#define JF_SET_WSA_ERROR(code) ::jf::SetWsaError((code), __func__)
