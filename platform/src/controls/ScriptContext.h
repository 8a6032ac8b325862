// Pango gives characters of no script of their own (spaces, digits, punctuation) the script
// of the text before them, and a closing bracket the script its opening one was given, however
// far back: the script runs of a line depend on all the text before it. ScriptContext follows
// a text as pango's script iterator does and gives, for a place in it, the few characters
// that bring a text starting with them into the same state.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace jf {

class ScriptContext {
 public:
  // Takes in the next character; returns the script pango gives it (a GUnicodeScript).
  int Step(wchar_t c);
  // The characters that leave pango's script iterator as this one is now: for each bracket
  // still open, a letter of its script and the bracket, then a letter of the current script.
  // Before any letter of a script, pango gives what came so far the script of the first letter
  // to come: `next` is one (0 for none).
  std::wstring Lead(wchar_t next) const;
  bool Known() const { return sample_ != 0; }  // whether a letter of a script has come
  // Whether pango's iterator would go on alike from here and from there.
  bool SameState(const ScriptContext& other) const;

 private:
  struct Open {
    int pair;        // index of the opening bracket in the table of pairs
    int script;      // the script it was given
    wchar_t sample;  // a letter of that script (0 when it has none yet)
  };
  static int PairIndex(wchar_t c);

  int script_ = 0;  // of the current run (common until a letter of a script comes)
  wchar_t sample_ = 0;
  std::vector<Open> stack_;
  size_t runStart_ = 0;  // brackets opened before the current run: their script is known
};

}  // namespace jf
