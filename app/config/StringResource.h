// Strings of the executable's string table.
#pragma once

#include <string>

// Ids of the installer's strings.
enum : int {
  kStringTgId = 1,         // what goes into "tg.id" unless it is "0"
  kStringGameId = 2,       // the main window's default game id
  kStringWindowTitle = 3,  // the main window's title
};

// The string `id`, looked up in each resource module in turn; "" when absent or empty.
std::wstring LoadStringResource(int id);
