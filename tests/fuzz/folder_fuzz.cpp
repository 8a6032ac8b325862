// Folder texts as the command line, the launcher INI and the registry give them: the folder
// and a name, cut at "\n##\n", each byte one character (so separators, dots and colons come
// often). A canonical folder comes back unchanged when made canonical again, holds no "/",
// no doubled separator past a network path's two and no "." or ".." piece (but for the ".."
// that lead a relative folder), and a name put in it lies in it.
// fuzz-dict: folder.dict
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "commonlib/util/FileUtils.h"
#include "tests/fuzz/FuzzSections.h"

namespace {

std::wstring Widen(const std::string& bytes) {
  std::wstring out;
  for (unsigned char c : bytes) out += static_cast<wchar_t>(c);
  return out;
}

std::vector<std::wstring> Pieces(const std::wstring& path) {
  std::vector<std::wstring> out(1);
  for (wchar_t c : path) {
    if (c == L'\\' || c == L'/') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

void Require(bool holds) {
  if (!holds) abort();
}

void CheckCanonical(const std::wstring& c) {
  Require(FileUtils::CanonicalFolder(c) == c);
  Require(c.find(L'/') == std::wstring::npos);
  Require(c.find(L"\\\\", 1) == std::wstring::npos);
  bool leading = c.empty() || c[0] != L'\\';
  const std::vector<std::wstring> pieces = Pieces(c);
  for (size_t i = 0; i < pieces.size(); ++i) {
    const std::wstring& piece = pieces[i];
    // Only a relative folder's first piece may be ".", before a piece that reads as a drive.
    Require(piece != L"." || (i == 0 && pieces.size() > 1 && pieces[1].size() >= 2 && pieces[1][1] == L':'));
    if (piece != L"..") leading = false;
    Require(piece != L".." || leading);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = fuzzsections::Cut(data, size, 2);
  const std::wstring folder = FileUtils::CanonicalFolder(Widen(parts[0]));
  const std::wstring name = Widen(parts[1]);
  CheckCanonical(folder);
  if (folder.empty()) return 0;
  const std::wstring inFolder = FileUtils::CanonicalFolder(FileUtils::PathInFolder(folder, name));
  CheckCanonical(inFolder);
  const std::wstring prefix = folder.back() == L'\\' ? folder : folder + L"\\";
  bool climbs = false;
  bool plain = !name.empty() && name != L"." && name != L"..";
  for (const std::wstring& piece : Pieces(name)) {
    climbs = climbs || piece == L"..";
    plain = plain && piece == name;
  }
  // A name without ".." stays in the folder (the folder itself when it names nothing more); a
  // plain name is the folder's child by that very name.
  if (!climbs) Require(inFolder == folder || inFolder.compare(0, prefix.size(), prefix) == 0);
  if (plain) Require(inFolder == prefix + name);
  return 0;
}
