#include "commonlib/util/CommandLineOptions.h"

#include <windows.h>

#include "commonlib/util/StringUtils.h"

const CommandLineOptions::OptionSpec CommandLineOptions::kOptionTable[] = {
    {L'n', L"none", 0, 1}, {L'h', L"hide", 0, 0}, {L'i', L"id", 1, 1}, {L'r', L"run", 1, 1},
    {L'p', L"path", 1, 1}, {L'j', L"jf", 0, 0},   {0, nullptr, 0, 0},
};

namespace {

bool IsOptionWord(const wchar_t* word) { return word && (word[0] == L'-' || word[0] == L'/'); }

}  // namespace

CommandLineOptions::CommandLineOptions(int argc, wchar_t** argv) : m_errorCode(kNoError) {
  Parse(argc, argv);
}

CommandLineOptions::~CommandLineOptions() { Clear(); }

void CommandLineOptions::Clear() {
  m_errorCode = kNoError;
  m_errorText.clear();
  m_entries.clear();
}

CommandLineOptions::OptionEntry* CommandLineOptions::FindEntry(wchar_t key) const {
  for (const auto& entry : m_entries) {
    if (entry->key == key) return entry.get();
  }
  return nullptr;
}

bool CommandLineOptions::GetValue(wchar_t key, std::wstring& out) const {
  OptionEntry* entry = FindEntry(key);
  if (!entry || entry->groups.empty() || entry->groups[0]->empty()) return false;
  out = (*entry->groups[0])[0];
  return true;
}

void CommandLineOptions::AddValueGroup(wchar_t key, std::unique_ptr<ValueGroup> group) {
  OptionEntry* entry = FindEntry(key);
  if (!entry) {
    m_entries.push_back(std::make_unique<OptionEntry>(key));
    entry = m_entries.back().get();
  }
  entry->groups.push_back(std::move(group));
}

bool CommandLineOptions::DeleteValueGroup(wchar_t key, size_t index) {
  OptionEntry* entry = FindEntry(key);
  if (!entry || index >= entry->groups.size()) return false;
  entry->groups.erase(entry->groups.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

int CommandLineOptions::FindSpecByShortName(wchar_t c) {
  for (int i = 0; kOptionTable[i].shortName != 0 && kOptionTable[i].longName; ++i) {
    if (kOptionTable[i].shortName == c) return i;
  }
  return -1;
}

int CommandLineOptions::FindSpecByLongName(const std::wstring& name) {
  for (int i = 0; kOptionTable[i].shortName != 0 && kOptionTable[i].longName; ++i) {
    if (name == kOptionTable[i].longName) return i;
  }
  return -1;
}

void CommandLineOptions::Parse(int argc, wchar_t** argv) {
  if (argc <= 0 || !argv) {
    m_errorText = L"no args were found";
    m_errorCode = kNoArgs;
    return;
  }
  int index = IsOptionWord(argv[0]) ? 0 : 1;
  while (index < argc) {
    const wchar_t* word = argv[index] ? argv[index] : L"";
    const bool optionWord = IsOptionWord(word);
    int row;
    if (!optionWord) {
      row = 0;
    } else if (word[0] == L'-' && word[1] == L'-' && word[2] != L'\0') {
      row = FindSpecByLongName(word + 2);
    } else if (word[0] == L'-' && word[1] != L'-' && word[1] != L'\0') {
      row = FindSpecByShortName(word[1]);
    } else {
      row = 0;  // "/x", "-" and "--"
    }

    if (row < 0) {
      wchar_t text[128] = {};
      _snwprintf(text, 127, L"unrecognized option %s", word);
      m_errorText = text;
      m_errorCode = kUnrecognized;
      auto group = std::make_unique<ValueGroup>();
      group->push_back(word);
      for (++index; index < argc && !IsOptionWord(argv[index]); ++index) {
        group->push_back(argv[index] ? argv[index] : L"");
      }
      AddValueGroup(0, std::move(group));
      return;
    }

    const OptionSpec& spec = kOptionTable[row];
    auto group = std::make_unique<ValueGroup>();
    int count = 0;
    if (optionWord) ++index;
    while (index < argc && count < spec.maxArgs && !IsOptionWord(argv[index])) {
      std::wstring value = argv[index] ? argv[index] : L"";
      std::wstring trimmed = value;
      if (!StringUtils::Trim(trimmed).empty()) {
        group->push_back(value);
        ++count;
      }
      ++index;
    }
    if (count < spec.minArgs || count > spec.maxArgs) {
      m_errorText = StringUtils::Format(L"--%s requires at least %d and at most %d args, yours: %d",
                                        spec.longName, spec.minArgs, spec.maxArgs, count);
      m_errorCode = kWrongValueCount;
      return;
    }
    AddValueGroup(spec.shortName, std::move(group));
  }
}
