#include "pack.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "format/container.h"
#include "format/document.h"
#include "format/payload.h"
#include "checks.h"
#include "manifest.h"
#include "text.h"

namespace pack {

namespace fs = std::filesystem;
using format::ByteSource;
using format::EmbeddedFile;

namespace {

const char* kTool = "projector-pack: ";

std::string Quote16(std::u16string_view text) { return "\"" + ToUtf8(text) + "\""; }

// Counts what is read from the inputs and reports progress in steps of 10%.
class Progress {
 public:
  Progress(uint64_t total, std::ostream& err) : total_(total), err_(err) {}
  void Add(uint64_t n) {
    done_ += n;
    if (total_ < kProgressThreshold) return;
    int step = static_cast<int>(std::min<uint64_t>(done_ * 10 / total_, 10));
    if (step > step_) {
      step_ = step;
      char line[96];
      std::snprintf(line, sizeof line, "%spacking %d%% of %.1f MB\n", kTool, step * 10,
                    static_cast<double>(total_) / (1024.0 * 1024.0));
      err_ << line << std::flush;
    }
  }

 private:
  uint64_t total_;
  uint64_t done_ = 0;
  int step_ = 0;
  std::ostream& err_;
};

class CountedFileSource final : public ByteSource {
 public:
  CountedFileSource(const fs::path& path, Progress& progress) : file_(path), progress_(progress) {}
  bool IsOpen() const { return file_.IsOpen(); }
  size_t Read(void* dst, size_t n) override {
    size_t got = file_.Read(dst, n);
    progress_.Add(got);
    return got;
  }

 private:
  format::FileSource file_;
  Progress& progress_;
};

// Embedded content comes straight from the files the manifest names.
class FileProvider final : public format::EmbeddedContentProvider {
 public:
  FileProvider(Progress& progress) : progress_(progress) {}
  bool Open(const EmbeddedFile& file, uint64_t* size, std::unique_ptr<ByteSource>* content) override {
    fs::path p(file.path);
    std::error_code ec;
    uintmax_t n = fs::file_size(p, ec);
    auto src = std::make_unique<CountedFileSource>(p, progress_);
    if (ec || !src->IsOpen()) {
      failed = PathToUtf8(p);
      return false;
    }
    *size = n;
    *content = std::move(src);
    return true;
  }
  std::string failed;

 private:
  Progress& progress_;
};

void ForEachEmbedded(format::MovieDocumentData& d, const std::function<void(EmbeddedFile&)>& fn) {
  for (format::PlaylistEntry& e : d.playlist.entries) {
    fn(e.movie);
    for (format::Asset& a : e.assets) {
      if (a.embedded != 0) fn(a.file);
    }
  }
  fn(d.window.icon);
  fn(d.about.picture);
  fn(d.overlay.picture);
  if (d.sound.embedded != 0) fn(d.sound.file);
}

bool ContainsCaseless(std::u16string_view text, std::u16string_view part) {
  auto lower = [](char16_t c) { return c < 128 ? static_cast<char16_t>(std::tolower(c)) : c; };
  if (part.size() > text.size()) return false;
  for (size_t i = 0; i + part.size() <= text.size(); ++i) {
    bool same = true;
    for (size_t k = 0; k < part.size() && same; ++k) same = lower(text[i + k]) == lower(part[k]);
    if (same) return true;
  }
  return false;
}

bool EqualsCaseless(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && ContainsCaseless(a, b);
}

// Block files of the shipped kinds found beside the stub.
void SearchStubFolder(const fs::path& folder, BlockFiles* blocks, const BlockFiles& named) {
  std::error_code ec;
  std::vector<fs::path> libraries;
  std::optional<fs::path> installer, resources, tools;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file(ec)) continue;
    std::u16string name = entry.path().filename().u16string();
    if (ContainsCaseless(name, u"FSCmd") && name.size() > 4 && EqualsCaseless(name.substr(name.size() - 4), u".dll")) {
      libraries.push_back(entry.path());
    } else if (EqualsCaseless(name, u"InstallFlashPlayer.exe")) {
      installer = entry.path();
    } else if (EqualsCaseless(name, u"Mardenkit.dll")) {
      resources = entry.path();
    } else if (EqualsCaseless(name, u"Orvatool.ocx")) {
      tools = entry.path();
    }
  }
  std::sort(libraries.begin(), libraries.end());
  if (named.fscommandLibraries.empty()) blocks->fscommandLibraries = libraries;
  if (!named.installer) blocks->installer = installer;
  if (!named.resourceLibrary) blocks->resourceLibrary = resources;
  if (!named.toolPackage) blocks->toolPackage = tools;
}

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::error_code ec;
  uintmax_t size = fs::file_size(path, ec);
  if (ec) return false;
  bytes->resize(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(bytes->data()), static_cast<std::streamsize>(size));
  return static_cast<uintmax_t>(in.gcount()) == size;
}

bool CarriesMarker(const std::vector<uint8_t>& image) {
  for (const std::u16string& marker : {format::DocumentMarker(), format::FsCommandMarker(), format::InstallerMarker(),
                                       format::ResourceMarker(), format::ToolPackageMarker()}) {
    format::MarkerSearch search;
    search.SetPattern(marker);
    if (search.Find(image.data(), image.size())) return true;
  }
  return false;
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec);
}

// The projector trees sit side by side (dist/win32, dist/win64): the packer of the 64-bit tree packs the stub
// beside it, every other one the 32-bit stub, unless told otherwise.
std::string DefaultArch(const BuildOptions& options) {
  if (!options.arch.empty()) return options.arch;
  return options.selfPath.parent_path().filename() == "win64" ? "win64" : "win32";
}

}  // namespace

int Build(const BuildOptions& options, std::ostream& out, std::ostream& err) {
  Manifest manifest;
  std::string error;
  if (!LoadManifest(options.manifest, &manifest, &error)) {
    err << kTool << error << '\n';
    return kExitError;
  }
  uint32_t version = options.formatVersion.value_or(manifest.formatVersion.value_or(format::kCurrentFormatVersion));
  bool compress = !options.noCompress && manifest.compress.value_or(true);

  fs::path stub = options.stub ? *options.stub
                                : options.selfPath.parent_path().parent_path() / DefaultArch(options) / "projector.exe";
  std::error_code ec;
  if (!fs::is_regular_file(stub, ec)) {
    err << kTool << "stub not found: " << PathToUtf8(stub) << " (build the projector or give --stub)\n";
    return kExitError;
  }
  std::vector<uint8_t> stubBytes;
  if (!ReadWholeFile(stub, &stubBytes)) {
    err << kTool << PathToUtf8(stub) << ": cannot read the stub\n";
    return kExitError;
  }
  if (!IsWindowsExecutable(stubBytes)) {
    err << kTool << PathToUtf8(stub) << ": not a Windows executable (no MZ and PE headers); give the projector stub\n";
    return kExitError;
  }
  // A stub carrying a payload already would hide the new one from the projector.
  if (CarriesMarker(stubBytes)) {
    err << kTool << PathToUtf8(stub) << ": the stub already carries a payload\n";
    return kExitError;
  }

  BlockFiles blocks = manifest.blocks;
  fs::path stubFolder = stub.parent_path().empty() ? fs::path(".") : stub.parent_path();
  if (manifest.searchStubFolder) SearchStubFolder(stubFolder, &blocks, manifest.blocks);
  // The projector runs the installer only for a play list with a Flash movie; elsewhere it is dead weight.
  if (blocks.installer && !manifest.blocks.installer && !PlaysFlashMovies(manifest.document)) {
    blocks.installer.reset();
    out << "no Flash movie in the play list: the Flash Player installer is left out\n";
  }
  // Only a transparent document with a movie ever registers the tool control.
  if (blocks.toolPackage && !manifest.blocks.toolPackage &&
      !(manifest.document.window.displayMode == 2 && PlaysFlashMovies(manifest.document))) {
    blocks.toolPackage.reset();
    out << "no transparent movie in the play list: the tool package is left out\n";
  }
  for (const std::string& line : BuildWarnings(manifest, version, blocks)) err << kTool << "warning: " << line << '\n';

  std::vector<fs::path> inputs = {stub, options.manifest};
  uint64_t total = stubBytes.size();
  ForEachEmbedded(manifest.document, [&](EmbeddedFile& f) {
    if (f.Empty()) return;
    inputs.emplace_back(f.path);
    total += fs::file_size(fs::path(f.path), ec);
  });
  struct Block {
    std::u16string marker;
    fs::path file;
  };
  std::vector<Block> blockList;
  for (const fs::path& lib : blocks.fscommandLibraries) blockList.push_back({format::FsCommandMarker(), lib});
  if (blocks.installer) blockList.push_back({format::InstallerMarker(), *blocks.installer});
  if (blocks.resourceLibrary) blockList.push_back({format::ResourceMarker(), *blocks.resourceLibrary});
  if (blocks.toolPackage) blockList.push_back({format::ToolPackageMarker(), *blocks.toolPackage});
  for (const Block& b : blockList) {
    inputs.push_back(b.file);
    total += fs::file_size(b.file, ec);
  }
  for (const fs::path& input : inputs) {
    if (SameFile(input, options.output)) {
      err << kTool << PathToUtf8(options.output) << ": the output would overwrite an input\n";
      return kExitError;
    }
  }

  if (fs::path folder = options.output.parent_path(); !folder.empty() && !fs::is_directory(folder, ec)) {
    err << kTool << PathToUtf8(folder) << ": no such folder for the output\n";
    return kExitError;
  }
  Progress progress(total, err);
  format::FileSink sink(options.output);
  if (!sink.IsOpen()) {
    err << kTool << PathToUtf8(options.output) << ": cannot create the output\n";
    return kExitError;
  }
  format::ContainerWriter writer(sink);
  FileProvider provider(progress);
  std::string failure;
  format::MemorySource stubSource(stubBytes.data(), stubBytes.size());
  progress.Add(stubBytes.size());
  if (!writer.WriteStub(stubSource)) failure = "cannot write the output";
  if (failure.empty() && !writer.WriteDocument(version, manifest.document, provider, compress)) {
    failure = provider.failed.empty() ? "cannot write the movie document (a file over 4 GB, or a write error)"
                                      : provider.failed + ": cannot read the file";
  }
  for (const Block& b : blockList) {
    if (!failure.empty()) break;
    uint64_t size = fs::file_size(b.file, ec);
    CountedFileSource content(b.file, progress);
    if (ec || !content.IsOpen()) {
      failure = PathToUtf8(b.file) + ": cannot read the file";
    } else if (!writer.WriteFileBlock(b.marker, PathToUtf16(b.file.filename()), content, size, compress)) {
      failure = PathToUtf8(b.file) + ": cannot add the block (over 4 GB, changed while reading, or a write error)";
    }
  }
  if (failure.empty() && !sink.Close()) failure = "cannot write the output";
  if (!failure.empty()) {
    sink.Close();
    fs::remove(options.output, ec);
    err << kTool << failure << '\n';
    return kExitError;
  }
  out << "wrote " << PathToUtf8(options.output) << " (" << sink.Position() << " bytes, format version " << version
      << ", " << manifest.document.playlist.entries.size() << " playlist entries, " << blockList.size()
      << " file blocks)\n";
  return kExitOk;
}

namespace {

struct FoundBlock {
  const char* kind;
  format::FileBlockView view;
  bool used;  // the projector would take it
  std::string file;  // where extract puts it, relative to its folder
};

// Everything inspect and extract need from one packed executable.
struct Unpacked {
  std::vector<uint8_t> image;
  format::DocumentBlockView document;
  format::MovieDocumentData doc;
  std::vector<FoundBlock> blocks;
  size_t stubSize = 0;
};

std::string Describe(const FoundBlock& b) {
  std::ostringstream s;
  s << "# block " << b.kind << " at " << b.view.offset << ": ";
  if (!b.view.headerComplete) {
    s << "header cut short by the end of the file";
    return s.str();
  }
  const format::FileBlockHeader& h = b.view.header;
  s << "version " << h.version << ", name " << Quote16(h.name) << ", " << h.storedSize << " bytes";
  if (h.compressed) s << ", compressed to " << h.compressedSize;
  if (!b.view.bodyInRange) s << " (body runs past the end of the file)";
  else if (h.version != format::kFileBlockVersion) s << " (skipped: not version 100)";
  else if (!format::IsSafeFileName(h.name)) s << " (skipped: unusable name)";
  else if (!b.used) s << " (ignored: only the first block of this kind counts)";
  return s.str();
}

int Unpack(const fs::path& exe, format::EmbeddedFileSink* sink, Unpacked* u, std::ostream& err) {
  if (!ReadWholeFile(exe, &u->image)) {
    err << kTool << PathToUtf8(exe) << ": cannot read the file\n";
    return kExitError;
  }
  auto document = format::FindDocumentBlock(u->image.data(), u->image.size());
  if (!document) {
    err << kTool << PathToUtf8(exe) << ": no movie document in this file\n";
    return kExitError;
  }
  u->document = *document;
  u->stubSize = document->offset;
  if (document->header.version > format::kCurrentFormatVersion) {
    err << kTool << PathToUtf8(exe) << ": the movie document has format version " << document->header.version
        << ", newer than " << format::kCurrentFormatVersion << ", the newest this packer reads\n";
    return kExitError;
  }
  format::ReadOptions options;
  options.sink = sink;
  std::string failure;
  options.error = &failure;
  if (!format::ReadDocumentFromImage(u->image.data(), u->image.size(), &u->doc, options)) {
    err << kTool << PathToUtf8(exe) << ": the movie document at " << document->offset << " is damaged: "
        << (failure.empty() ? std::string("it cannot be read") : failure) << '\n';
    return kExitError;
  }
  struct Kind {
    const char* name;
    std::u16string marker;
    bool all;
  } kinds[] = {{"fscommand", format::FsCommandMarker(), true},
               {"installer", format::InstallerMarker(), false},
               {"resource", format::ResourceMarker(), false},
               {"tools", format::ToolPackageMarker(), false}};
  for (const Kind& k : kinds) {
    format::FileBlockScanner scan(u->image.data(), u->image.size(), k.marker);
    bool first = true;
    for (format::FileBlockView v; scan.Next(&v);) {
      u->stubSize = std::min(u->stubSize, v.offset);
      bool used = v.Extractable() && (k.all || first);
      u->blocks.push_back({k.name, v, used, {}});
      first = false;
    }
  }
  std::vector<std::u16string> taken;
  for (FoundBlock& b : u->blocks) {
    if (!b.used) continue;
    const std::u16string& name = b.view.header.name;
    size_t same = static_cast<size_t>(std::count_if(taken.begin(), taken.end(), [&](const std::u16string& t) {
      return EqualsCaseless(t, name);
    }));
    taken.push_back(name);
    // A second block of the same name goes one folder deeper, keeping its name.
    b.file = same ? "blocks/" + std::to_string(same + 1) + "/" + ToUtf8(name) : "blocks/" + ToUtf8(name);
  }
  return kExitOk;
}

// Names the embedded files as extract writes them: document/NN-name.
void NameEmbedded(format::MovieDocumentData& doc, const std::function<bool(EmbeddedFile&, const std::string&)>& each) {
  int index = 0;
  ForEachEmbedded(doc, [&](EmbeddedFile& f) {
    if (f.Empty()) return;
    std::u16string base = BaseName(f.sourcePath);
    if (!format::IsSafeFileName(base)) base = u"file";
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d-", ++index);
    std::string name = std::string("document/") + prefix + ToUtf8(base);
    if (each(f, name)) f.path = FromUtf8(name);
  });
}

std::string ManifestText(Unpacked& u) {
  BlockNames names;
  for (const FoundBlock& b : u.blocks) {
    if (!b.used) continue;
    if (std::string(b.kind) == "fscommand") names.fscommandLibraries.push_back(b.file);
    else if (std::string(b.kind) == "installer") names.installer = b.file;
    else if (std::string(b.kind) == "resource") names.resourceLibrary = b.file;
    else names.toolPackage = b.file;
  }
  return WriteManifest(u.doc, u.document.header.version, u.document.header.compressed != 0, names);
}

std::string Listing(const Unpacked& u) {
  std::ostringstream s;
  const format::DocumentHeader& h = u.document.header;
  s << "# stub: " << u.stubSize << " bytes\n";
  s << "# block document at " << u.document.offset << ": version " << h.version << ", "
    << (h.compressed ? "compressed, " + std::to_string(h.compressedSize) + " bytes stored, " : std::string("stored, "))
    << h.uncompressedSize << " bytes of document\n";
  for (const FoundBlock& b : u.blocks) s << Describe(b) << '\n';
  return s.str();
}

// Writes each embedded file under a temporary name; extract renames them.
class FolderSink final : public format::EmbeddedFileSink {
 public:
  explicit FolderSink(fs::path folder) : folder_(std::move(folder)) {}
  std::unique_ptr<format::EmbeddedFileWriter> Begin(std::u16string_view, uint64_t) override {
    fs::path p = folder_ / ("part-" + std::to_string(count_++));
    return std::make_unique<Writer>(p);
  }

 private:
  class Writer final : public format::EmbeddedFileWriter {
   public:
    explicit Writer(fs::path path) : path_(std::move(path)), out_(path_, std::ios::binary) {}
    ~Writer() override {
      if (!finished_) {
        out_.close();
        std::error_code ec;
        fs::remove(path_, ec);
      }
    }
    bool Write(const uint8_t* data, size_t n) override {
      out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(n));
      return static_cast<bool>(out_);
    }
    std::optional<std::u16string> Finish() override {
      out_.close();
      if (!out_) return std::nullopt;
      finished_ = true;
      return path_.u16string();
    }

   private:
    fs::path path_;
    std::ofstream out_;
    bool finished_ = false;
  };

  fs::path folder_;
  int count_ = 0;
};

}  // namespace

int Inspect(const fs::path& exe, std::ostream& out, std::ostream& err) {
  Unpacked u;
  if (int rc = Unpack(exe, nullptr, &u, err); rc != kExitOk) return rc;
  NameEmbedded(u.doc, [](EmbeddedFile&, const std::string&) { return true; });
  out << "# projector-pack inspect " << PathToUtf8(exe) << '\n' << Listing(u) << '\n' << ManifestText(u);
  return kExitOk;
}

int Extract(const fs::path& exe, const fs::path& dir, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  fs::create_directories(dir / "document", ec);
  if (ec) {
    err << kTool << PathToUtf8(dir) << ": cannot create the folder\n";
    return kExitError;
  }
  FolderSink sink(dir / "document");
  Unpacked u;
  if (int rc = Unpack(exe, &sink, &u, err); rc != kExitOk) return rc;
  std::string failure;
  size_t files = 0;
  NameEmbedded(u.doc, [&](EmbeddedFile& f, const std::string& name) {
    if (!failure.empty()) return false;
    fs::path target = dir / PathFromUtf8(name);
    std::error_code e;
    if (f.extracted) {
      fs::rename(fs::path(f.path), target, e);
    } else if (f.size == 0) {
      std::ofstream empty(target, std::ios::binary);
      if (!empty) e = std::make_error_code(std::errc::io_error);
    } else {
      e = std::make_error_code(std::errc::io_error);
    }
    if (e) failure = PathToUtf8(target) + ": cannot write the file";
    ++files;
    return true;
  });
  for (FoundBlock& b : u.blocks) {
    if (!b.used || !failure.empty()) continue;
    fs::path target = dir / PathFromUtf8(b.file);
    fs::create_directories(target.parent_path(), ec);
    std::ofstream file(target, std::ios::binary);
    if (!file) {
      failure = PathToUtf8(target) + ": cannot write the file";
      break;
    }
    bool ok = format::ExtractFileBlock(b.view, [&](const uint8_t* p, size_t n) {
      file.write(reinterpret_cast<const char*>(p), static_cast<std::streamsize>(n));
      return static_cast<bool>(file);
    });
    file.close();
    if (!file) {
      failure = PathToUtf8(target) + ": cannot write the file";
    } else if (!ok) {
      // The projector would skip this block too; it stays out of the manifest.
      err << kTool << "warning: block " << b.kind << " at " << b.view.offset << " is damaged; skipped\n";
      fs::remove(target, ec);
      b.used = false;
    } else {
      ++files;
    }
  }
  if (failure.empty()) {
    std::ofstream manifest(dir / "manifest.toml", std::ios::binary);
    manifest << "# extracted by projector-pack from " << PathToUtf8(exe) << '\n' << Listing(u) << '\n' << ManifestText(u);
    manifest.close();
    if (!manifest) failure = PathToUtf8(dir / "manifest.toml") + ": cannot write the file";
  }
  if (!failure.empty()) {
    err << kTool << failure << '\n';
    return kExitError;
  }
  out << "extracted " << files << " files and manifest.toml into " << PathToUtf8(dir) << '\n';
  return kExitOk;
}

}  // namespace pack
