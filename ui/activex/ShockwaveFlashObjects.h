// The Shockwave Flash control's interfaces as its type library names them; only identity and
// the event sink's dispatch are used, so no methods beyond IDispatch are declared.
#pragma once
#include <windows.h>
#include <ocidl.h>

namespace ShockwaveFlashObjects {

inline constexpr IID IID_IShockwaveFlash = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID DIID__IShockwaveFlashEvents = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

struct IShockwaveFlash : public IDispatch {
 protected:
  ~IShockwaveFlash() = default;
};

struct _IShockwaveFlashEvents : public IDispatch {
 protected:
  ~_IShockwaveFlashEvents() = default;
};

}  // namespace ShockwaveFlashObjects
