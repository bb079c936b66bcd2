#include "checks.h"

#include "format/payload.h"
#include "text.h"

namespace pack {

bool IsWindowsExecutable(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return false;
  uint32_t pe = format::LoadU32(bytes.data() + 0x3C);
  if (pe > bytes.size() || bytes.size() - pe < 4) return false;
  return bytes[pe] == 'P' && bytes[pe + 1] == 'E' && bytes[pe + 2] == 0 && bytes[pe + 3] == 0;
}

bool PlaysFlashMovies(const format::MovieDocumentData& doc) {
  for (const format::PlaylistEntry& e : doc.playlist.entries) {
    std::u16string name = e.movie.sourcePath;
    size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos) continue;
    std::string ext = ToUtf8(name.substr(dot + 1));
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (ext == "swf") return true;
  }
  return false;
}

std::vector<std::string> BuildWarnings(const Manifest& manifest, uint32_t version, const BlockFiles& blocks) {
  std::vector<std::string> lines;
  const format::MovieDocumentData& d = manifest.document;
  bool noAboutNamed = false;
  for (const Manifest::NewerField& f : manifest.newerFields) {
    if (f.since > version) {
      noAboutNamed = noAboutNamed || f.key == "about.no_about";
      lines.push_back("format version " + std::to_string(version) + " cannot store '" + f.key + "' (it needs " +
                      std::to_string(f.since) + "); the projector uses its default");
    }
  }
  if (version < 101 && HasAboutContent(d) && d.about.noAbout == 0 && !noAboutNamed) {
    lines.push_back("format version " + std::to_string(version) +
                    " cannot store 'about.no_about': the projector offers no About entry");
  }
  if (blocks.fscommandLibraries.empty()) {
    lines.push_back("no FSCommand library (*FSCmd*.dll beside the stub or in [blocks]): the projector answers "
                    "only its own FSCommands");
  }
  if (!blocks.resourceLibrary) {
    lines.push_back("no resource library (Mardenkit.dll beside the stub or in [blocks]): the context menu and the "
                    "FSCommand log have no texts");
  }
  if (!blocks.installer && PlaysFlashMovies(d)) {
    lines.push_back("no Flash Player installer (InstallFlashPlayer.exe beside the stub or in [blocks]): on a "
                    "machine without Flash Player the projector ends at start");
  }
  if (!blocks.toolPackage && d.window.displayMode == 2 && PlaysFlashMovies(d)) {
    lines.push_back("no tool package (Orvatool.ocx beside the stub or in [blocks]): transparent movies play in an "
                    "ordinary window");
  }
  bool aboutShown = version >= 101 && d.about.noAbout == 0;
  bool hasSystemMenu = d.window.captionStyle == 1 && d.window.shapeKind == 0 && d.window.systemMenu != 0 &&
                       d.window.displayMode != 2 && d.size.sizeMode != 3;
  if (aboutShown && !hasSystemMenu) {
    lines.push_back("the About entry is in the window's system menu, and this window shows none (no caption, a "
                    "shape, no system menu, transparent or full screen): the About box cannot be opened");
  }
  return lines;
}

}  // namespace pack
