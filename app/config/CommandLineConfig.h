// Fills AppConfig from the parsed command line.
#pragma once

class CommandLineOptions;

// Options: -i/--id, -h/--hide, -r/--run, -p/--path, -j/--jf. Parser errors are ignored:
// whatever was parsed before the error takes effect. Returns true.
bool ReadCommandLine(const CommandLineOptions& options);
