// The exit code of a hidden run: a calling program has no window to look at, so each kind of
// failure ends the process with a code of its own (README lists them), and so does a second
// instance, which installs nothing. A windowed run and a success end with 0.
#pragma once

class RunExitCode {
 public:
  enum Code {
    kSuccess = 0,
    kNoInstallFolder = 2,    // no usable install folder
    kNetworkFailed = 3,      // installer information or download failed in every round
    kDigestWrong = 4,        // the download does not match its MD5 digest
    kInstallFailed = 5,      // the installer could not start or ended with an error
    kFolderNotWritable = 6,  // the download folder cannot be created or written, or its disk is full
    kSkinNotLoaded = 7,      // the window's skin could not be built (a window's run shows a box, then 1)
    kAnotherCopyRuns = 8,    // another copy of the installer runs: this one did nothing
  };

  // The failure that ends the run; the last one set wins.
  static void Set(Code code);
  static Code Get();

 private:
  static Code s_code;
};
