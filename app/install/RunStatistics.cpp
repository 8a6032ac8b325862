#include "app/install/RunStatistics.h"

#include <cstdio>
#include <vector>

#include "app/install/AppLog.h"
#include "commonlib/logger/report/BigDataLog.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {

const wchar_t kFile[] = L".\\app\\install\\RunStatistics.cpp";

struct GameCode {
  int32_t id;
  const wchar_t* code;
};

const GameCode kGameCodes[] = {
    {101, L"tlqy"}, {102, L"fyzs"}, {103, L"xkwd"}, {104, L"mhjh"}, {105, L"lyzq"}, {106, L"qxsl"},
    {107, L"bhcq"}, {108, L"dfxy"}, {109, L"hsjl"}, {110, L"yjzs"}, {201, L"ylmj"}, {202, L"cyzg"},
    {203, L"xhyy"}, {204, L"ltfx"}, {205, L"jyhz"}, {206, L"sgyx"}, {207, L"qyzz"}, {208, L"wjcs"},
    {301, L"zmjy"}, {302, L"hhzl"}, {303, L"lmjf"}, {310, L"yxwt"}, {311, L"fhjy"}, {312, L"slcs"},
    {313, L"xjqy"}, {314, L"xshx"}, {315, L"tkzc"}, {316, L"mzcs"},
};

}  // namespace

void RunStatistics::BuildGameCodeMap(std::map<int32_t, std::wstring>& codes) {
  for (const GameCode& pair : kGameCodes) codes[pair.id] = pair.code;
}

bool RunStatistics::ReadTextFile(const std::wstring& path, std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return false;
  std::string raw;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof(chunk), file)) != 0) raw.append(chunk, got);
  fclose(file);
  // Text mode: a CR LF pair is read as LF.
  bytes.clear();
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    bytes += raw[i];
  }
  return true;
}

std::wstring RunStatistics::DecodeTgIdBytes(const std::string& bytes) {
  std::string text = bytes;
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
      static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF) {
    text.erase(0, 3);
  }
  if (text.empty()) return std::wstring();
  // Converted here rather than through the C runtime's locale, which is process-wide.
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0);
  if (length > 0) {
    std::vector<wchar_t> wide(length);
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return std::wstring(wide.data(), wide.size());
  }
  return StringUtils::AnsiToWide(text);
}

bool RunStatistics::ReadTgId(const std::wstring& installDir, std::wstring& text) {
  std::string bytes;
  if (!ReadTextFile(installDir + L"\\tg.id", bytes)) {
    JF_APP_LOG(kLogInfo, kFile, L"打开tg.id文件失败");
    return false;
  }
  text = DecodeTgIdBytes(bytes);
  return true;
}

bool RunStatistics::ReadUpdateIni(const std::wstring& installDir, std::wstring& text) {
  std::string bytes;
  if (!ReadTextFile(installDir + L"\\tmupdate.ini", bytes)) {
    JF_APP_LOG(kLogInfo, kFile, L"打开tmupdate.ini文件失败");
    return false;
  }
  text = StringUtils::AnsiToWide(bytes);
  return true;
}

InstallStatistics RunStatistics::BuildRecord(bool success, const RunFacts& facts,
                                      const std::map<int32_t, std::wstring>& codes) {
  InstallStatistics record(PV_MAP);
  record[L"logname"] = L"c_downInstall_telmar_5.2";
  record[L"title"] = FileUtils::IsFileExist(facts.installDir + L"\\tg.id") ? L"2" : L"1";
  record[L"mac"] = CommonUtils::GetMacAddress();
  std::wstring packageId = L"00000000";
  ReadTgId(facts.installDir, packageId);
  record[L"package_id"] = packageId;
  auto code = codes.find(facts.gameId);
  record[L"gate"] = code != codes.end() ? code->second : std::wstring(L"0");
  record[L"os"] = StringUtils::Format(L"%s MajorVersion %d MinorVersion %d", CommonUtils::GetOSVersionName().c_str(),
                                      static_cast<int>(CommonUtils::GetOSMajorVersion()),
                                      static_cast<int>(CommonUtils::GetOSMinorVersion()));
  std::wstring version;
  ReadUpdateIni(facts.installDir, version);
  record[L"version"] = version.empty() ? std::wstring(L"0") : version;
  record[L"count_dimension"] = success ? L"installjf_state:1" : L"installjf_state:0";
  if (success) {
    record[L"count_value"] = StringUtils::Format(
        L"installjf_time:%d", static_cast<int>(facts.installEndTick - facts.downloadStartTick));
  }
  return record;
}

void RunStatistics::Send(const InstallStatistics& record) {
  BigDataLog& log = BigDataLog::GetInstance();
  log.Report(record);
  log.Send();
}
