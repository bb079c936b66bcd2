#include "format/payload.h"

namespace format {

#if defined(__GNUC__)
[[gnu::noinline]]
#endif
std::u16string JoinMarker(std::u16string_view prefix, std::u16string_view suffix) {
  std::u16string joined;
  joined.reserve(prefix.size() + suffix.size());
  joined.append(prefix);
  joined.append(suffix);
  return joined;
}

std::u16string DocumentMarker() { return JoinMarker(kDocumentPrefix, kDocumentSuffix); }
std::u16string FsCommandMarker() { return JoinMarker(kFsCommandPrefix, kFsCommandSuffix); }
std::u16string InstallerMarker() { return JoinMarker(kInstallerPrefix, kInstallerSuffix); }
std::u16string ResourceMarker() { return JoinMarker(kResourcePrefix, kResourceSuffix); }
std::u16string ToolPackageMarker() { return JoinMarker(kToolPackagePrefix, kToolPackageSuffix); }

}  // namespace format
