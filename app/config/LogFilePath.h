// The name of the run's log file: the program folder's "MiniLog" and the start time.
#pragma once

#include <string>

// The local time of the first call, "%d%02d%02d_%02d%02d%02d"; the same text afterwards.
std::wstring GetLogStartStamp();
// The program folder + "\MiniLog", creating it on every call.
std::wstring GetMiniLogDir();
// "<MiniLog>\mini_downloader<stamp>.jfelog".
std::wstring BuildLogFilePath();
