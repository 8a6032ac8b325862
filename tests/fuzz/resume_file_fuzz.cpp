// Resume files from disk: any bytes are either taken back (ranges inside the file, counters
// in range) or refused as damaged; never a crash, an overflow or a long stall. Inputs that
// are maps are also given this download's size and digest, so that their ranges, counters
// and log are read too.
#include "platform/src/internal/paths.h"
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "commonlib/CTaskLog.h"
#include "commonlib/CTaskMetaFile.h"
#include "commonlib/GapList.h"
#include "commonlib/core/ProtoValue.h"
#include "commonlib/core/ProtoValueBytes.h"
#include "commonlib/thread/CRefPtr.h"

namespace {

const int64_t kSize = 5000000;
const wchar_t kMd5[] = L"0123456789abcdef0123456789abcdef";

void Restore(const std::string& host, const std::wstring& path, const std::string& bytes) {
  FILE* f = fopen(host.c_str(), "wb");
  if (!f) return;
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
  CTaskMetaFile meta;
  GapList gaps;
  CTaskMetaFile::Resume resume;
  CRefPtr<CTaskLog> log(new CTaskLog());
  if (!meta.Restore(path, kSize, kMd5, 0, gaps, resume, log.get())) return;
  if (resume.p2pBytes < 0 || resume.p2pBytes > kSize || resume.elapsedMs < 0) abort();
  if (gaps.MissingBytesUpTo(kSize - 1) > static_cast<uint64_t>(kSize)) abort();
  for (const GapList::Range& r : gaps)
    if (r.first < 0 || r.last >= kSize || r.first > r.last) abort();
  meta.GetDownloadedSize();
  // What the task builds from it next.
  CTaskMetaFile again;
  again.Build(1, kSize, kMd5, resume.p2pBytes, resume.elapsedMs + 1000, log.get(), gaps);
  for (const auto& e : log->m_bytesPerSource) log->AddSourceBytes(e.first, e.second);
  std::string out;
  ProtoValueToBytes(out, again.m_value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string host = "/tmp/jf_fuzz_resume_" + std::to_string(getpid()) + ".vrdt.vrmt";
  static const std::wstring path = jf::WinPathFromHost(host);
  std::string bytes(reinterpret_cast<const char*>(data), size);
  Restore(host, path, bytes);
  ProtoValue value;
  if (ProtoValueFromBytes(value, bytes) && value.type() == PV_MAP) {
    value[L"fs"] = ProtoValue(static_cast<long long>(kSize));
    value[L"fh"] = ProtoValue(kMd5);
    std::string fixed;
    if (ProtoValueToBytes(fixed, value)) Restore(host, path, fixed);
  }
  return 0;
}
