// An input of several parts separated by "\n##\n", cut into exactly `count` sections (missing
// ones empty, extra ones left out).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzsections {

inline std::vector<std::string> Cut(const uint8_t* data, size_t size, size_t count) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> sections;
  for (size_t at = 0;;) {
    size_t next = input.find("\n##\n", at);
    sections.push_back(input.substr(at, next == std::string::npos ? std::string::npos : next - at));
    if (next == std::string::npos) break;
    at = next + 4;
  }
  sections.resize(count);
  return sections;
}

}  // namespace fuzzsections
