// A file's or folder's identity as the file system keeps it (the volume and the file's index
// on it): the same for every spelling of a path that leads to it, another for another file.
#pragma once

#include <windows.h>

#include <cstdint>

struct FileIdentity {
  DWORD volume = 0;
  uint64_t index = 0;
  bool directory = false;

  bool operator==(const FileIdentity& other) const { return volume == other.volume && index == other.index; }
  bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};
