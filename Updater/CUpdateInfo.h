// Parses an update description: ascending version blocks, each with "-key[:value]" items
// and named sections of which only the product's own counts, into a list of records.
#pragma once

#include <cstdint>
#include <string>

#include "Updater/CParserBase.h"
#include "commonlib/core/ProtoValue.h"

class CUpdateInfo : public CParserBase {
 public:
  // Four words: major, minor, patch, and a word whose top bit marks the version valid and
  // whose low 15 bits hold the build.
  struct Version {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t patch = 0;
    uint16_t build = 0;
    bool IsValid() const { return (build & 0x8000) != 0; }
    uint16_t Build() const { return build & 0x7FFF; }
  };
  // True only when both are valid and a is the greater.
  static bool IsGreater(const Version& a, const Version& b);
  // "major.minor.patch" (the build is not shown).
  static std::wstring FormatVersion(const Version& v);
  // Reads "major.minor.patch[.build]" at text; advances text past it. False when malformed.
  static bool ReadVersion(const char*& text, Version& out);

  CUpdateInfo();

  void Reset() override;
  bool Parse(const char* text) override;
  bool OnItem(const char* key, size_t keyLength, const char* value, size_t valueLength,
              ProtoValue& record) override;
  bool OnEnd(ProtoValue& record) override;

  void SetInstalledVersion(const Version& v) { m_installedVersion = v; }
  void SetProductName(const std::string& name) { m_productName = name; }

  const ProtoValue& GetResult() const { return m_result; }
  const Version& GetLastVersion() const { return m_lastVersion; }
  bool IsReboot() const { return m_reboot; }
  bool IsForce() const { return m_force; }
  bool IsAuto() const { return m_auto; }

 private:
  ProtoValue m_result;
  Version m_installedVersion;
  Version m_lastVersion;
  std::string m_productName;
  bool m_reboot = false;
  bool m_force = false;
  bool m_auto = false;
};
