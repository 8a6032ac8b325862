// Fills AppConfig from the parsed command line.
#pragma once

class CommandLineOptions;

// Options: -i/--id, -h/--hide, -r/--run, -p/--path, -j/--jf. Parser errors are ignored:
// whatever was parsed before the error takes effect. Returns true.
bool ReadCommandLine(const CommandLineOptions& options);
// Whether a word after the program's path is the hide option (-h, --hide), wherever it
// stands: a parser error before it must not turn a hidden call into a window that nobody
// answers.
bool CommandLineHoldsHide(int argc, wchar_t** argv);
