// Header parsing and block scanning over arbitrary images.
#include <cstddef>
#include <cstdint>

#include "format/payload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace format;
  if (auto h = DocumentHeader::Parse(data, size)) (void)h->HasDocumentMarker();
  (void)FileBlockHeader::Parse(data, size);
  (void)FindDocumentBlock(data, size);
  for (const std::u16string& marker : {FsCommandMarker(), InstallerMarker(), ResourceMarker(), ToolPackageMarker()}) {
    FileBlockScanner scan(data, size, marker);
    FileBlockView v;
    for (int guard = 0; scan.Next(&v) && guard < 64; ++guard) {
      uint64_t sum = 0;
      ExtractFileBlock(v, [&](const uint8_t* p, size_t n) {
        for (size_t k = 0; k < n; k += 4096) sum += p[k];
        sum += p[n - 1];
        return true;
      });
    }
  }
  return 0;
}
