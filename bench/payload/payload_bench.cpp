// Measures how long the projector needs to find its document block, inflate it and extract the embedded files
// of a large payload, beside what zlib alone needs to inflate the same bytes and write the same files.
#include <windows.h>

#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "format/container.h"
#include "format/document.h"
#include "format/payload.h"
#include "format/stream.h"
#include "framework/app.h"
#include "shell/movie_document.h"
#include "common/payload.h"
#include "common/unique_name.h"

namespace {

class BenchApp : public framework::CWinApp {};
BenchApp theApp;

using Clock = std::chrono::steady_clock;

// Text-like content, or random bytes standing for already compressed movies and pictures.
std::vector<uint8_t> Content(size_t n, unsigned seed, bool random) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  if (random) {
    // Compressed movies and pictures hardly compress again.
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
  }
  const char* words[] = {"frame ", "shape ", "movie ", "sprite ", "button ", "action ", "colour ", "stage "};
  size_t i = 0;
  while (i < n) {
    if (rng() % 4 == 0) {
      v[i++] = static_cast<uint8_t>(rng());
      continue;
    }
    for (const char* w = words[rng() % 8]; *w && i < n; ++w) v[i++] = static_cast<uint8_t>(*w);
  }
  return v;
}

class Provider : public format::EmbeddedContentProvider {
 public:
  std::map<std::u16string, std::vector<uint8_t>> files;
  bool Open(const format::EmbeddedFile& file, uint64_t* size, std::unique_ptr<format::ByteSource>* out) override {
    auto& bytes = files.at(file.path);
    *size = bytes.size();
    *out = std::make_unique<format::MemorySource>(bytes.data(), bytes.size());
    return true;
  }
};

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

bool WriteAll(const std::wstring& path, const uint8_t* data, size_t n) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  BOOL ok = ::WriteFile(h, data, static_cast<DWORD>(n), &put, nullptr);
  ::CloseHandle(h);
  return ok && put == n;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t files = 50;
  const size_t total = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200) * 1000 * 1000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  // Every n-th file holds incompressible bytes (0: none).
  const int randomEvery = argc > 3 ? std::atoi(argv[3]) : 2;
  const size_t each = total / files;

  Provider provider;
  format::MovieDocumentData doc;
  for (size_t i = 0; i < files; ++i) {
    format::PlaylistEntry e;
    e.sourcePath = u"C:\\author\\movie" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u".swf";
    e.displayTime = 1;
    e.movie.sourcePath = e.sourcePath;
    e.movie.path = e.sourcePath + u"#" + std::u16string(1, static_cast<char16_t>(0x100 + i));
    auto bytes = Content(each, static_cast<unsigned>(i), randomEvery > 0 && i % randomEvery == 0);
    e.movie.size = bytes.size();
    provider.files[e.movie.path] = std::move(bytes);
    doc.playlist.entries.push_back(e);
  }
  std::fprintf(stderr, "packing %zu files of %zu bytes...\n", files, each);
  format::VectorSink image;
  format::ContainerWriter writer(image);
  std::vector<uint8_t> stub(300000, 0x90);
  format::MemorySource stubSource(stub.data(), stub.size());
  if (!writer.WriteStub(stubSource) || !writer.WriteDocument(140, doc, provider, true)) {
    std::fprintf(stderr, "packing failed\n");
    return 1;
  }
  std::wstring folder = projector::MakeUniqueTempName(L".bench");
  projector::CreateFolderPath(folder);
  std::wstring exe = folder + L"\\Packed.exe";
  if (!WriteAll(exe, image.bytes.data(), image.bytes.size())) return 1;
  const size_t compressed = image.bytes.size() - stub.size() - format::DocumentHeader::kSize;
  const uint32_t uncompressed = format::LoadU32(&image.bytes[stub.size() + 76]);
  std::printf("payload: %zu files, %.1f MB of content, %.1f MB compressed document, %.1f MB stream\n", files,
              total / 1e6, compressed / 1e6, uncompressed / 1e6);

  double best = 1e9, bestBaseline = 1e9;
  for (int r = 0; r < rounds; ++r) {
    {
      auto t0 = Clock::now();
      projector::MappedImage payload;
      bool ok = payload.Open(exe) != 0;
      {
        projector::MovieDocument loaded;
        ok = ok && loaded.Load(payload) && loaded.EntryCount() == files;
        auto t1 = Clock::now();
        if (!ok) {
          std::fprintf(stderr, "loading failed\n");
          return 1;
        }
        best = std::min(best, Seconds(t0, t1));
      }
    }
    {
      // zlib alone: the same stream inflated into memory, the same files written.
      auto t0 = Clock::now();
      projector::MappedImage mapped;
      size_t size = mapped.Open(exe);
      std::vector<uint8_t> out(uncompressed);
      uLongf outLen = uncompressed;
      const uint8_t* body = mapped.base() + stub.size() + format::DocumentHeader::kSize;
      if (size == 0 || ::uncompress(out.data(), &outLen, body, static_cast<uLong>(compressed)) != Z_OK) {
        std::fprintf(stderr, "baseline inflate failed\n");
        return 1;
      }
      std::wstring base = projector::MakeUniqueTempName(L".base");
      projector::CreateFolderPath(base);
      size_t at = 0;
      for (size_t i = 0; i < files; ++i) {
        WriteAll(base + L"\\" + std::to_wstring(i) + L".swf", out.data() + at, each);
        at += each;
      }
      auto t1 = Clock::now();
      bestBaseline = std::min(bestBaseline, Seconds(t0, t1));
      projector::DeleteFolderTree(base);
    }
  }
  std::printf("projector: map + find + inflate + extract  %.3f s (best of %d)\n", best, rounds);
  std::printf("zlib alone: inflate + write           %.3f s (best of %d)\n", bestBaseline, rounds);
  std::printf("ratio: %.3f (goal 1.2 or less)\n", best / bestBaseline);
  projector::DeleteFolderTree(folder);
  return 0;
}
