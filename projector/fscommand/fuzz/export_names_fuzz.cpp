// Export-name reading over arbitrary bytes: truncated, hostile and foreign files must never read outside them.
#include <cstdint>
#include <cstdlib>

#include "core/extension_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const std::wstring& name : projector::ReadExportNames(data, size)) {
    if (name.empty() || name.front() == L' ' || name.back() == L' ' || name.size() > size) std::abort();
  }
  return 0;
}
