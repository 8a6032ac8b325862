// Rich edit layout benchmark: one paragraph of many format runs streamed in as RTF into a rich
// edit of an off-screen window and laid out (the window painted), for 5,000 to 40,000 runs,
// of each kind: left-aligned, justified, unwrapped (an edit that scrolls across, a line break
// after every tenth run) and holding one Hebrew letter; one typed letter in the middle of each
// long paragraph; then one unbroken word of 10,000 letters. Each figure is the best of the
// rounds, in the process's CPU time (a busy machine stretches the wall clock's).
// Then the same without spaces (Chinese, Japanese, Thai, one word) justified, Chinese with one
// Hebrew letter, unwrapped in one line, with one embedding, override or isolate, with a
// paragraph separator, and right to left inside brackets.
//   richedit_bench [rounds, 5] [kind names by commas, all by default]
#include <windows.h>
#include <richedit.h>
#include <textserv.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ui/base/ContainerUI.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/base/WindowWnd.h"
#include "bench/BenchWnd.h"
#include "ui/richedit/RichEditUI.h"

using namespace SkinUI;

namespace {

// Milliseconds of CPU time the process has used.
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Source {
  const std::string* data;
  size_t read;
};

DWORD CALLBACK Read(DWORD_PTR cookie, LPBYTE buffer, LONG cb, LONG* done) {
  auto* s = reinterpret_cast<Source*>(cookie);
  const size_t n = std::min(size_t(cb), s->data->size() - s->read);
  std::memcpy(buffer, s->data->data() + s->read, n);
  s->read += n;
  *done = LONG(n);
  return 0;
}

enum Kind {
  kLeft, kJustified, kUnwrapped, kRightToLeft,
  // Text without spaces, lines of one line, and explicit bidi controls.
  kJustifiedChinese, kJustifiedJapanese, kJustifiedThai, kJustifiedWord, kChineseHebrew, kOneLine,
  kOneLineChinese, kEmbedding, kOverride, kIsolate, kSeparator, kBracketed, kKinds
};
const char* const kKindNames[] = {"left", "justified", "unwrapped", "one RTL letter", "justified Chinese",
                                  "justified Japanese", "justified Thai", "justified word", "Chinese, Hebrew",
                                  "one line", "one line Chinese", "embedding", "override", "isolate",
                                  "U+2029", "RTL in brackets"};

bool Unwrapped(Kind kind) { return kind == kUnwrapped || kind == kOneLine || kind == kOneLineChinese; }

// A character as RTF writes it.
std::string U(int c) { return "\\u" + std::to_string(c > 32767 ? c - 65536 : c) + "?"; }

// The words of a run: Latin ones end with a space, the others run on without one.
std::string Word(int i, Kind kind) {
  static const int kChinese[] = {0x4E0B, 0x8F7D, 0x4E2D, 0x6587};
  static const int kJapanese[] = {0x65E5, 0x672C, 0x306E, 0x30C6, 0x30AD, 0x30B9, 0x30C8};
  static const std::vector<std::vector<int>> kThai = {
      {0x0E20, 0x0E32, 0x0E29, 0x0E32}, {0x0E44, 0x0E17, 0x0E22}, {0x0E2A, 0x0E27, 0x0E31, 0x0E2A, 0x0E14, 0x0E35}};
  std::string w;
  switch (kind) {
    case kJustifiedChinese:
    case kChineseHebrew:
    case kOneLineChinese:
      for (int k = 0; k < 3; ++k) w += U(kChinese[(i + k) % 4]);
      return w;
    case kJustifiedJapanese:
      for (int k = 0; k < 3; ++k) w += U(kJapanese[(i * 3 + k) % 7]);
      return w;
    case kJustifiedThai:
      for (int c : kThai[size_t(i) % kThai.size()]) w += U(c);
      return w;
    case kJustifiedWord: return "abcd";
    case kBracketed: return U(0x05D0) + U(0x05D1) + U(0x05D2) + " ";
    default: return "w" + std::to_string(i % 1000) + (kind == kUnwrapped && i % 10 == 9 ? "\\line " : " ");
  }
}

// One paragraph of `runs` words, each in a format of its own against its neighbours.
std::string Runs(int runs, Kind kind) {
  std::string doc = "{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}{\\colortbl ;\\red200\\green0\\blue0;}\\pard";
  const bool justified = kind == kJustified || (kind >= kJustifiedChinese && kind <= kJustifiedWord);
  doc += justified ? "\\qj" : "";
  doc += "\\f0\\fs20 ";
  if (kind == kRightToLeft || kind == kSeparator) doc += U(0x05D0) + " ";
  if (kind == kChineseHebrew) doc += U(0x05D0);
  if (kind == kBracketed) doc += "(";
  for (int i = 0; i < runs; ++i) {
    static const char* const kFormats[] = {"\\b ", "\\b0\\cf1 ", "\\cf0\\i ", "\\i0 "};
    doc += kFormats[i % 4];
    // One embedding, override or isolate of a few runs near the start; a paragraph separator in the middle.
    if (i == 3) doc += kind == kEmbedding ? U(0x202B) : kind == kOverride ? U(0x202E) : kind == kIsolate ? U(0x2067) : "";
    if (i == 7) doc += kind == kEmbedding || kind == kOverride ? U(0x202C) : kind == kIsolate ? U(0x2069) : "";
    if (i == runs / 2 && kind == kSeparator) doc += U(0x2029);
    doc += Word(i, kind);
  }
  if (kind == kBracketed) doc += ")";
  return doc + "\\par}";
}

std::string Letters(int letters) { return "{\\rtf1\\ansi\\pard " + std::string(size_t(letters), 'x') + "\\par}"; }

class Bench {
 public:
  explicit Bench(bool wrap) : wrap_(wrap) {}
  bool Make() {
    hwnd_ = wnd_.Create(nullptr, L"richedit bench", WS_POPUP | WS_VISIBLE, 0, 0, 0, 640, 480);
    if (!hwnd_) return false;
    BenchWnd::Pump();
    auto* root = new CContainerUI;
    root->SetBkColor(0xFFFFFFFF);
    wnd_.manager.AttachDialog(root);
    edit_ = new CRichEditUI;
    edit_->SetAttribute(L"rich", L"true");
    edit_->SetAttribute(L"multiline", L"true");
    if (!wrap_) edit_->SetAttribute(L"autohscroll", L"true");
    edit_->SetFloat(true);
    edit_->SetAttribute(L"pos", L"10,10,610,460");
    root->Add(edit_);
    Paint();
    Send(EM_EXLIMITTEXT, 0, 16 << 20);
    return true;
  }
  ~Bench() {
    if (hwnd_) DestroyWindow(hwnd_);
    BenchWnd::Pump();
  }
  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) {
    LRESULT result = 0;
    edit_->TxSendMessage(msg, w, l, &result);
    return result;
  }
  void Paint() {
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
    BenchWnd::Pump();
  }
  // Streams the document in and paints it; the milliseconds it took.
  double Load(const std::string& doc) {
    Send(WM_SETTEXT, 0, LPARAM(L""));
    Paint();
    Source source{&doc, 0};
    EDITSTREAM es = {DWORD_PTR(&source), 0, Read};
    const double t0 = CpuMs();
    Send(EM_STREAMIN, SF_RTF, LPARAM(&es));
    Send(EM_SETSEL, 0, 0);
    Paint();
    const double ms = CpuMs() - t0;
    if (es.dwError) printf("stream error %lu\n", (unsigned long)es.dwError);
    return ms;
  }
  // One letter typed in the middle of the text and painted again.
  double Type() {
    const LONG middle = LONG(Send(WM_GETTEXTLENGTH) / 2);
    Send(EM_SETSEL, WPARAM(middle), LPARAM(middle));
    const double t0 = CpuMs();
    Send(WM_CHAR, L'q', 0);
    Paint();
    return CpuMs() - t0;
  }
  LONG Lines() { return LONG(Send(EM_GETLINECOUNT)); }

 private:
  bool wrap_;
  BenchWnd wnd_{wrap_ ? L"JfRichEditBench" : L"JfRichEditBenchAcross"};
  HWND hwnd_ = nullptr;
  CRichEditUI* edit_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
  const std::string only = argc > 2 ? "," + std::string(argv[2]) + "," : "";  // kinds named, by commas
  Bench wrapped(true), unwrapped(false);
  if (!wrapped.Make() || !unwrapped.Make()) return 1;
  const std::vector<int> sizes = {5000, 10000, 20000, 40000};
  std::vector<std::vector<double>> best(kKinds, std::vector<double>(sizes.size(), 1e300));
  std::vector<double> typed(kKinds, 1e300);
  std::vector<LONG> lines(kKinds, 0);
  double word = 1e300;
  LONG wordLines = 0;
  for (int r = 0; r < rounds; ++r) {
    for (int k = 0; k < kKinds; ++k) {
      if (!only.empty() && only.find("," + std::string(kKindNames[k]) + ",") == std::string::npos) continue;
      Bench& bench = Unwrapped(Kind(k)) ? unwrapped : wrapped;
      for (size_t i = 0; i < sizes.size(); ++i)
        best[size_t(k)][i] = std::min(best[size_t(k)][i], bench.Load(Runs(sizes[i], Kind(k))));
      lines[size_t(k)] = bench.Lines();
      typed[size_t(k)] = std::min(typed[size_t(k)], bench.Type());
      bench.Load(Letters(1));
    }
    word = std::min(word, wrapped.Load(Letters(10000)));
    wordLines = wrapped.Lines();
  }
  printf("best of %d rounds: stream in and lay out one paragraph (ms of CPU time)\n", rounds);
  printf("  %-19s", "runs");
  for (int size : sizes) printf("%9d", size);
  printf("  40k/20k    lines  typed at 40k\n");
  for (int k = 0; k < kKinds; ++k) {
    if (!only.empty() && only.find("," + std::string(kKindNames[k]) + ",") == std::string::npos) continue;
    const auto& b = best[size_t(k)];
    printf("  %-19s", kKindNames[k]);
    for (double ms : b) printf("%9.1f", ms);
    printf("  %7.2f %8ld %10.1f ms\n", b[3] / b[2], long(lines[size_t(k)]), typed[size_t(k)]);
  }
  printf("  a 10000-letter word:    %10.1f ms (%ld lines)\n", word, long(wordLines));
  return 0;
}
