// Parses the process's wide command-line words against the fixed option table:
// n/none 0..1, h/hide 0, i/id 1, r/run 1, p/path 1, j/jf 0 values. Words without an option
// prefix gather under `n`. Errors are recorded (code and text), never thrown.
#pragma once

#include <memory>
#include <string>
#include <vector>

class CommandLineOptions {
 public:
  struct OptionSpec {
    wchar_t shortName;
    const wchar_t* longName;
    int minArgs;
    int maxArgs;
  };
  // The values given to one occurrence of an option.
  typedef std::vector<std::wstring> ValueGroup;

  class OptionEntry {
   public:
    explicit OptionEntry(wchar_t k) : key(k) {}
    void Clear() { groups.clear(); }
    wchar_t key;  // the option's short name; 0 for the words of an unrecognised option
    std::vector<std::unique_ptr<ValueGroup>> groups;  // one per occurrence, in order
  };

  enum { kNoError = 0, kWrongValueCount = 1, kUnrecognized = 2, kNoArgs = 3 };

  static const OptionSpec kOptionTable[];

  CommandLineOptions(int argc, wchar_t** argv);
  ~CommandLineOptions();
  CommandLineOptions(const CommandLineOptions&) = delete;
  CommandLineOptions& operator=(const CommandLineOptions&) = delete;

  void Clear();
  OptionEntry* FindEntry(wchar_t key) const;
  bool GetValue(wchar_t key, std::wstring& out) const;
  void AddValueGroup(wchar_t key, std::unique_ptr<ValueGroup> group);
  // Deletes the index-th group (in command-line order) of the key's entry; an entry left
  // without groups stays, so the option still counts as given. False when there is none.
  bool DeleteValueGroup(wchar_t key, size_t index);
  static int FindSpecByShortName(wchar_t c);
  static int FindSpecByLongName(const std::wstring& name);

  int GetErrorCode() const { return m_errorCode; }
  const std::wstring& GetErrorText() const { return m_errorText; }
  const std::vector<std::unique_ptr<OptionEntry>>& GetEntries() const { return m_entries; }

 private:
  void Parse(int argc, wchar_t** argv);

  std::vector<std::unique_ptr<OptionEntry>> m_entries;
  std::wstring m_errorText;
  int m_errorCode;
};
