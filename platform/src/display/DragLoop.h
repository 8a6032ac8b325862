// The modal loop of DoDragDrop: the pointer is captured for the drag, every pointer and key
// message asks the source whether to go on, the window under the pointer gets DragEnter,
// DragOver and DragLeave from its registered target, the source gives the feedback (the
// standard cursors by default), and the button's release drops where the pointer is. Windows
// of other programs take part through the X drag-and-drop protocol.
#pragma once
#include <windows.h>
#include <ole2.h>

namespace jf {

class DragLoop {
 public:
  DragLoop(IDataObject* data, IDropSource* source, DWORD okEffects);
  ~DragLoop();
  DragLoop(const DragLoop&) = delete;
  DragLoop& operator=(const DragLoop&) = delete;

  HRESULT Run(DWORD* effect);

  // The cursor that stands for an effect while the source leaves the feedback to the system.
  static HCURSOR CursorFor(DWORD effect);

 private:
  // The pointer is at `pt` (screen) with these keys: follow it to its target.
  void Track(POINT pt, DWORD keys);
  void LeaveTarget();
  DWORD Drop(POINT pt, DWORD keys);
  static DWORD KeyState();

  IDataObject* data_;
  IDropSource* source_;
  DWORD ok_;
  HWND tracker_ = nullptr;
  IDropTarget* target_ = nullptr;  // counted
  HWND targetWindow_ = nullptr;
  bool foreign_ = false;  // the pointer is over another program's window
  bool x11_ = false;      // the X connection carries the drag beyond the program
  DWORD effect_ = DROPEFFECT_NONE;
};

}  // namespace jf
