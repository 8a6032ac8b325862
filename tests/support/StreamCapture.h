// What a piece of code writes on a standard stream (1 or 2) while it runs.
#pragma once

#include <functional>
#include <string>

std::string CaptureStream(int fd, const std::function<void()>& write);
