#include "movie_document.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "format/inflate.h"
#include "format/payload.h"
#include "framework/app.h"
#include "framework/file.h"
#include "common/payload.h"
#include "common/text.h"
#include "common/unique_name.h"
#include "stale_folder_sweep.h"

namespace projector {

namespace {

// The extension of a source path's file name, kept only when it is safe in a file name of ours.
std::wstring SafeExtension(std::u16string_view sourcePath) {
  size_t slash = sourcePath.find_last_of(u"\\/");
  std::u16string_view name = slash == std::u16string_view::npos ? sourcePath : sourcePath.substr(slash + 1);
  size_t dot = name.find_last_of(u'.');
  if (dot == std::u16string_view::npos) return L"";
  std::u16string_view ext = name.substr(dot + 1);
  for (char16_t c : ext) {
    if (c < 0x20 || std::u16string_view(u":*?\"<>|").find(c) != std::u16string_view::npos) return L"";
  }
  return ToWide(ext);
}

// Writes one embedded file into the extraction folder under a new name; a file it could not finish is removed
// and reported to the sink.
class ExtractedFileWriter final : public format::EmbeddedFileWriter {
 public:
  ExtractedFileWriter(std::wstring path, bool* failed) : path_(std::move(path)), failed_(failed) {}
  ~ExtractedFileWriter() override {
    if (file_.IsOpen()) {
      file_.Close();
      ::DeleteFileW(path_.c_str());
      *failed_ = true;
    }
  }
  bool Open() {
    return file_.Open(path_, framework::CFile::modeCreate | framework::CFile::modeReadWrite |
                                 framework::CFile::shareExclusive);
  }
  bool Write(const uint8_t* data, size_t n) override { return file_.Write(data, n); }
  std::optional<std::u16string> Finish() override {
    file_.Close();
    return ToU16(path_);
  }

 private:
  std::wstring path_;
  bool* failed_;
  framework::CFile file_;
};

// A file that cannot be written (a full disk, a folder that could not be made) fails the whole load: the player
// would otherwise start with pieces of its document missing.
class ExtractionSink final : public format::EmbeddedFileSink {
 public:
  explicit ExtractionSink(const std::wstring& folder) : folder_(folder) {}
  std::unique_ptr<format::EmbeddedFileWriter> Begin(std::u16string_view sourcePath, uint64_t size) override {
    if (sourcePath.empty() || size == 0 || failed_) return nullptr;
    auto writer = std::make_unique<ExtractedFileWriter>(MakeUniqueName(folder_, SafeExtension(sourcePath)), &failed_);
    if (!writer->Open()) {
      failed_ = true;
      return nullptr;
    }
    return writer;
  }
  bool failed() const { return failed_; }

 private:
  const std::wstring& folder_;
  bool failed_ = false;
};

void PumpMessages() {
  MSG msg;
  for (int i = 0; i < 1000 && ::PeekMessageW(&msg, nullptr, 0, 0x0C00, PM_NOREMOVE); ++i) {
    if (!::PeekMessageW(&msg, nullptr, 0, 0x0C00, PM_REMOVE)) break;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace

MovieDocument::MovieDocument() {
  std::wstring folder = MakeUniqueTempName(L".tmp");
  // A name that still exists after the retries belongs to someone else and is never adopted.
  if (!PathExists(folder) && CreateFolderPath(folder)) {
    createdFolder_ = true;
  } else {
    folder = MakeUniqueName(ExecutableFolder(), L".tmp");
    if (!PathExists(folder) && CreateFolderPath(folder)) {
      createdFolder_ = true;
    } else {
      folder = MakeUniqueName(L"C:", L".tmp");
      createdFolder_ = !PathExists(folder) && CreateFolderPath(folder);
    }
  }
  extractionFolder_ = folder;
  // The marker tells later runs whose folder this is; without it the folder is merely never swept by them.
  if (createdFolder_) WriteOwnerMarker(folder);
  CreateDefaultFont();
}

MovieDocument::~MovieDocument() {
  icon_.reset();
  aboutPicture_.reset();
  overlayPicture_.reset();
  overlayFont_.reset();
  customRegion_.reset();
  if (!createdFolder_ || !FolderExists(extractionFolder_)) return;
  if (DeleteFolderTree(extractionFolder_)) return;
  // Typically the folder is still the current directory: move away and try once more.
  std::wstring places[] = {TemporaryFolder(), ExecutableFolder(), L"C:\\", L"D:\\"};
  for (const auto& place : places) {
    if (!place.empty() && ::SetCurrentDirectoryW(place.c_str())) {
      DeleteFolderTree(extractionFolder_);
      return;
    }
  }
}

std::wstring MovieDocument::SourcePath(size_t i) const { return ToWide(data_.playlist.entries[i].sourcePath); }

std::wstring MovieDocument::ExtractedPath(size_t i) const { return ToWide(data_.playlist.entries[i].movie.path); }

float MovieDocument::DisplayTime(size_t i) const { return data_.playlist.entries[i].displayTime; }

void MovieDocument::Reset() {
  data_.Reset();
  icon_.reset();
  aboutPicture_.reset();
  overlayPicture_.reset();
  customRegion_.reset();
  CreateDefaultFont();
}

void MovieDocument::CreateDefaultFont() {
  LOGFONTW font{};
  framework::ScreenDC screen;
  font.lfHeight = -::MulDiv(100, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 720);
  font.lfCharSet = DEFAULT_CHARSET;
  std::wcscpy(font.lfFaceName, L"Microsoft Sans Sarif");
  overlayFont_.reset(::CreateFontIndirectW(&font));
}

bool MovieDocument::Load(const MappedImage& image) {
  payload_ = nullptr;
  // Without a folder of its own nothing can be extracted: the player cannot start.
  if (!createdFolder_ || image.size() < 10 || !ReadBody(image)) {
    Reset();
    return false;
  }
  payload_ = &image;
  LoadResources();
  return true;
}

bool MovieDocument::ReadBody(const MappedImage& image) {
  framework::CWinApp* app = framework::AfxGetApp();
  ExtractionSink sink(extractionFolder_);
  format::ReadOptions options;
  options.sink = &sink;
  // Big documents take a while: the window manager must not think the program hangs.
  options.progress = [](size_t index) {
    if (index % 20 == 0) PumpMessages();
  };
  // A stated size zlib could never reach is a lie: such a document is refused before anything is extracted.
  options.refuseImpossibleSize = true;
  // Compressed documents are inflated straight from the mapped view as they are read: no copy is ever written.
  if (app) app->BeginWaitCursor();
  format::DocumentHeader header;
  bool ok = format::ReadDocumentFromImage(image.base(), image.size(), &data_, options, &header) && !sink.failed();
  if (app) app->EndWaitCursor();
  formatVersion_ = ok ? header.version : 0;
  return ok;
}

void MovieDocument::LoadResources() {
  const auto& window = data_.window;
  if (window.icon.extracted) {
    icon_.reset(static_cast<HICON>(
        ::LoadImageW(nullptr, ToWide(window.icon.path).c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE)));
  }
  auto loadBitmap = [](const format::EmbeddedFile& file, framework::UniqueBitmap* out) {
    out->reset();
    if (!file.extracted) return;
    out->reset(static_cast<HBITMAP>(::LoadImageW(nullptr, ToWide(file.path).c_str(), IMAGE_BITMAP, 0, 0,
                                                 LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  };
  loadBitmap(data_.about.picture, &aboutPicture_);
  loadBitmap(data_.overlay.picture, &overlayPicture_);

  const auto& fontBytes = data_.overlay.font;
  if (fontBytes.size() > 10) {
    // A short array fills only the front of the structure; the face name always ends inside it.
    LOGFONTW font{};
    std::memcpy(&font, fontBytes.data(), std::min(fontBytes.size(), sizeof(font)));
    font.lfFaceName[LF_FACESIZE - 1] = L'\0';
    overlayFont_.reset(::CreateFontIndirectW(&font));
  }

  const auto& region = window.customRegion;
  customRegion_.reset();
  if (region.size() >= sizeof(RGNDATAHEADER)) {
    RGNDATAHEADER head;
    std::memcpy(&head, region.data(), sizeof(head));
    uint64_t needed = uint64_t{head.dwSize} + uint64_t{head.nCount} * sizeof(RECT);
    // The region's own counts must fit the bytes stored, or the system would read past them.
    if (head.iType == RDH_RECTANGLES && head.dwSize >= sizeof(RGNDATAHEADER) && needed <= region.size()) {
      customRegion_.reset(::ExtCreateRegion(nullptr, static_cast<DWORD>(needed),
                                            reinterpret_cast<const RGNDATA*>(region.data())));
    }
  }
}

}  // namespace projector
