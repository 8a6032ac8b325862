// The statistics record of one install attempt: whether the platform was installed and how
// long it took, filled from the run and a few files of the install folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "commonlib/core/ProtoValue.h"

// The record of one install attempt, a map of wide-string keys for the statistics sender.
typedef ProtoValue InstallStatistics;

class RunStatistics {
 public:
  struct RunFacts {
    std::wstring installDir;
    int32_t gameId = 0;
    DWORD downloadStartTick = 0;
    DWORD installEndTick = 0;
  };

  // The product's game codes (idempotent).
  static void BuildGameCodeMap(std::map<int32_t, std::wstring>& codes);
  // The whole text of "tg.id" in the folder (CR LF read as LF): written as UTF-8 with a
  // byte-order mark, older files in the ANSI code page. false when it cannot be opened.
  static bool ReadTgId(const std::wstring& installDir, std::wstring& text);
  // The whole text of "tmupdate.ini" in the folder (ANSI, CR LF read as LF).
  static bool ReadUpdateIni(const std::wstring& installDir, std::wstring& text);
  // Without a UTF-8 mark, UTF-8 when the bytes are valid UTF-8, else ANSI.
  static std::wstring DecodeTgIdBytes(const std::string& bytes);
  static InstallStatistics BuildRecord(bool success, const RunFacts& facts,
                                       const std::map<int32_t, std::wstring>& codes);
  // Hands the record to the statistics sender and sends it (from any thread).
  static void Send(const InstallStatistics& record);

 private:
  static bool ReadTextFile(const std::wstring& path, std::string& bytes);
};
