// Test hooks of the layer's stores: the registry hives in memory, the drive map, the free
// space a drive reports.
#pragma once
#include <cstdint>

namespace jf {

// Forgets the hives loaded in memory, so the next call reads them from disk again
// (after tests change the drive map, or to check what a restart would see).
void ResetRegistryForTests();
// Forgets the drive map and the current folder, so the next call reads JF_DRIVES again.
void ResetDriveMapForTests();
// Makes GetDiskFreeSpaceExW report `freeBytes` (free and available) for a drive letter, so
// tests can place a drive exactly at a space limit; a negative value goes back to statvfs.
void SetDiskFreeSpaceForTests(wchar_t drive, int64_t freeBytes);

}  // namespace jf
