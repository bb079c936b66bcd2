// Writes a packed projector that plays one movie and carries the Flash Player installer:
// make_installer_projector STUB INSTALLER OUTPUT.
#include <windows.h>

#include "format/payload.h"
#include "swfplayer/asm/movie_builder.h"
#include "test_support.h"

using namespace testing_support;

int wmain(int argc, wchar_t** argv) {
  try {
    if (argc != 4) return 2;
    Bytes stub = ReadFileBytes(argv[1]);
    Bytes installer = ReadFileBytes(argv[2]);
    if (stub.empty() || installer.empty()) return 3;
    swfasm::MovieBuilder movie(6, 100, 100, 12);
    movie.Main().Background({0, 0, 255, 255});
    movie.Main().Place(movie.Rectangle(25, 25, 50, 50, {255, 0, 0, 255}), 1).ShowFrame();
    MemoryContent content;
    format::MovieDocumentData data;
    format::PlaylistEntry entry;
    entry.sourcePath = u"C:\\author\\square.swf";
    entry.displayTime = 0.5f;
    entry.movie = Embed(content, entry.sourcePath, movie.Build());
    data.playlist.entries.push_back(entry);
    data.window.title = u"Installer test";
    FileBlock block{format::InstallerMarker(), u"InstallFlashPlayer.exe", installer, true};
    Bytes image = PackImage(stub, data, content, 140, true, {block});
    return WriteFileBytes(argv[3], image) ? 0 : 4;
  } catch (...) {
    return 5;
  }
}
