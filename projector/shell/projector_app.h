// The projector's application object: start-up in its fixed order, the display mode, the player, shut-down.
#pragma once

#include <windows.h>

#include <string>

#include "framework/app.h"
#include "movie_document.h"

namespace projector {

// Owns the movie document and runs the player modally; InitInstance always ends the program.
class ProjectorApp : public framework::CWinApp {
 public:
  ProjectorApp();

  BOOL InitInstance() override;
  int ExitInstance() override;

  bool LoadMovieDocument(bool* showInTaskbar);
  // TRUE when the movie plays in transparent mode and the extended control manager must stay installed.
  BOOL CheckPlaybackPrerequisites();

  MovieDocument& document() { return document_; }

  // What transparent playback finds on this system: 1 works, 2 no layered windows, 3 too few colours.
  virtual int TransparencySupport();
  // Makes sure a usable Flash Player is installed; false ends the program.
  virtual bool EnsureFlashPlayer();

  std::wstring ToolControlPath;

 private:
  MovieDocument document_;
  ULONG_PTR gdiplusToken_ = 0;
};

ProjectorApp& TheApp();

// The company part of the profile key: HKEY_CURRENT_USER\Software\<this>\BrindleworkProjector\<program>.
inline constexpr wchar_t kCompanyKey[] = L"Vantra Software";

}  // namespace projector
