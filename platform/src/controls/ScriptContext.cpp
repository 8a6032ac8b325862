#include "platform/src/controls/ScriptContext.h"

#include <glib.h>

#include <algorithm>
#include <iterator>

namespace jf {

namespace {

// The bracket pairs pango's script iterator matches, opening then closing, in code point order.
constexpr wchar_t kPairs[] = {
    0x0028, 0x0029, 0x003C, 0x003E, 0x005B, 0x005D, 0x007B, 0x007D, 0x00AB, 0x00BB, 0x0F3A, 0x0F3B, 0x0F3C,
    0x0F3D, 0x169B, 0x169C, 0x2018, 0x2019, 0x201C, 0x201D, 0x2039, 0x203A, 0x2045, 0x2046, 0x207D, 0x207E,
    0x208D, 0x208E, 0x27E6, 0x27E7, 0x27E8, 0x27E9, 0x27EA, 0x27EB, 0x2983, 0x2984, 0x2985, 0x2986, 0x2987,
    0x2988, 0x2989, 0x298A, 0x298B, 0x298C, 0x298D, 0x298E, 0x298F, 0x2990, 0x2991, 0x2992, 0x2993, 0x2994,
    0x2995, 0x2996, 0x2997, 0x2998, 0x29FC, 0x29FD, 0x2E02, 0x2E03, 0x2E04, 0x2E05, 0x2E09, 0x2E0A, 0x2E0C,
    0x2E0D, 0x2E1C, 0x2E1D, 0x2E20, 0x2E21, 0x2E22, 0x2E23, 0x2E24, 0x2E25, 0x2E26, 0x2E27, 0x2E28, 0x2E29,
    0x3008, 0x3009, 0x300A, 0x300B, 0x300C, 0x300D, 0x300E, 0x300F, 0x3010, 0x3011, 0x3014, 0x3015, 0x3016,
    0x3017, 0x3018, 0x3019, 0x301A, 0x301B, 0xFE59, 0xFE5A, 0xFE5B, 0xFE5C, 0xFE5D, 0xFE5E, 0xFF08, 0xFF09,
    0xFF3B, 0xFF3D, 0xFF5B, 0xFF5D, 0xFF5F, 0xFF60, 0xFF62, 0xFF63};
// Deeper nesting empties pango's stack rather than overrun it.
constexpr size_t kDepth = 128;

bool Real(int script) { return script > G_UNICODE_SCRIPT_INHERITED; }
bool Same(int a, int b) { return !Real(a) || !Real(b) || a == b; }
bool Opening(int pair) { return (pair & 1) == 0; }

}  // namespace

int ScriptContext::PairIndex(wchar_t c) {
  const wchar_t* at = std::lower_bound(std::begin(kPairs), std::end(kPairs), c);
  return at == std::end(kPairs) || *at != c ? -1 : int(at - kPairs);
}

int ScriptContext::Step(wchar_t c) {
  while (true) {
    int script = int(g_unichar_get_script(gunichar(c)));
    wchar_t sample = c;
    const int pair = script == G_UNICODE_SCRIPT_COMMON ? PairIndex(c) : -1;
    if (pair >= 0) {
      if (Opening(pair)) {
        if (stack_.size() >= kDepth) stack_.clear();
        stack_.push_back(Open{pair, script_, sample_});
      } else {
        // A closing bracket takes the script of its opening one; unmatched ones above it go.
        while (!stack_.empty() && stack_.back().pair != (pair & ~1)) stack_.pop_back();
        runStart_ = std::min(runStart_, stack_.size());
        if (!stack_.empty()) script = stack_.back().script, sample = stack_.back().sample;
      }
    }
    if (Same(script_, script)) {
      if (!Real(script_) && Real(script)) {
        script_ = script;
        sample_ = sample;
        // Brackets opened before the run knew its script take it now.
        for (size_t i = runStart_; i < stack_.size(); ++i) stack_[i].script = script_, stack_[i].sample = sample_;
        runStart_ = std::max(runStart_, stack_.size());
      }
      if (pair >= 0 && !Opening(pair) && !stack_.empty()) {
        stack_.pop_back();
        runStart_ = std::min(runStart_, stack_.size());
      }
      return script_;
    }
    // A letter of another script starts a new run with it.
    script_ = G_UNICODE_SCRIPT_COMMON;
    sample_ = 0;
    runStart_ = stack_.size();
  }
}

bool ScriptContext::SameState(const ScriptContext& other) const {
  if (script_ != other.script_ || runStart_ != other.runStart_ || stack_.size() != other.stack_.size()) return false;
  for (size_t i = 0; i < stack_.size(); ++i)
    if (stack_[i].pair != other.stack_[i].pair || stack_[i].script != other.stack_[i].script) return false;
  return true;
}

std::wstring ScriptContext::Lead(wchar_t next) const {
  std::wstring lead;
  for (const Open& open : stack_) {
    if (open.sample) lead += open.sample;
    lead += kPairs[open.pair];
  }
  if (sample_) lead += sample_;
  else if (next) lead += next;
  return lead;
}

}  // namespace jf
