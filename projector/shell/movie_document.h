// The movie document as the projector holds it: read once from the payload, its files in the extraction folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "format/document.h"
#include "framework/handles.h"

namespace projector {

class MappedImage;

// Owns the document's data, the per-run extraction folder and the icon, pictures, font and region loaded from it.
class MovieDocument {
 public:
  MovieDocument();
  MovieDocument(const MovieDocument&) = delete;
  MovieDocument& operator=(const MovieDocument&) = delete;
  ~MovieDocument();

  // Reads the document block found in the image, which stays mapped while the document is used: the payload
  // blocks are extracted from it later.
  bool Load(const MappedImage& image);
  // The image the document was read from; null before a successful Load.
  const MappedImage* payload() const { return payload_; }
  void Reset();
  void SetHosted(bool hosted) { hosted_ = hosted; }
  bool hosted() const { return hosted_; }

  const std::wstring& ExtractionFolder() const { return extractionFolder_; }
  bool ownsExtractionFolder() const { return createdFolder_; }
  uint32_t formatVersion() const { return formatVersion_; }

  format::MovieDocumentData& data() { return data_; }
  const format::MovieDocumentData& data() const { return data_; }

  size_t EntryCount() const { return data_.playlist.entries.size(); }
  std::wstring SourcePath(size_t i) const;
  std::wstring ExtractedPath(size_t i) const;
  float DisplayTime(size_t i) const;
  const format::PlaylistEntry& Record(size_t i) const { return data_.playlist.entries[i]; }

  // Loads the icon, pictures, font and region from the document's extracted files.
  void LoadResources();

  HICON icon() const { return icon_.get(); }
  HBITMAP aboutPicture() const { return aboutPicture_.get(); }
  HBITMAP overlayPicture() const { return overlayPicture_.get(); }
  HFONT overlayFont() const { return overlayFont_.get(); }
  HRGN customRegion() const { return customRegion_.get(); }

 private:
  bool ReadBody(const MappedImage& image);
  void CreateDefaultFont();

  format::MovieDocumentData data_;
  const MappedImage* payload_ = nullptr;
  std::wstring extractionFolder_;
  bool createdFolder_ = false;
  uint32_t formatVersion_ = 0;
  bool hosted_ = false;
  framework::UniqueIcon icon_;
  framework::UniqueBitmap aboutPicture_;
  framework::UniqueBitmap overlayPicture_;
  framework::UniqueFont overlayFont_;
  framework::UniqueRegion customRegion_;
};

}  // namespace projector
