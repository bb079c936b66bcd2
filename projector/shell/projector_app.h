// The projector's application object: start-up in its fixed order, the display mode, the player, shut-down.
#pragma once

#include <windows.h>

#include <string>

#include "common/payload.h"
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
  // The display mode start-up settled on: the document's, or 0 where transparent playback cannot work here.
  uint32_t displayMode() const { return displayMode_; }

  // What transparent playback finds on this system: 1 works, 2 no layered windows, 3 too few colours.
  virtual int TransparencySupport();
  // Makes sure a usable Flash Player is installed; false ends the program.
  virtual bool EnsureFlashPlayer();

  std::wstring ToolControlPath;

 private:
  // The executable, mapped once: the document and every payload block are read from this view.
  MappedImage payload_;
  MovieDocument document_;
  uint32_t displayMode_ = 0;
  ULONG_PTR gdiplusToken_ = 0;
};

ProjectorApp& TheApp();

// The company part of the profile key: HKEY_CURRENT_USER\Software\<this>\BrindleworkProjector\<program>.
inline constexpr wchar_t kCompanyKey[] = L"Vantra Software";

}  // namespace projector
