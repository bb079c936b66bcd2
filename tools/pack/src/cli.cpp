// The command line of projector-pack.
#include <CLI/CLI.hpp>

#include <string>

#include "pack.h"
#include "text.h"

namespace pack {

int RunCommandLine(int argc, char** argv, const std::filesystem::path& self, std::ostream& out, std::ostream& err) {
  CLI::App app{"Builds, lists and unpacks packed projectors.", "projector-pack"};
  app.require_subcommand(1);

  std::string manifest, output, stub, arch;
  uint32_t version = 0;
  bool noCompress = false;
  CLI::App* build = app.add_subcommand("build", "Pack the manifest's document and blocks behind the stub");
  build->add_option("MANIFEST", manifest, "The TOML manifest")->required();
  build->add_option("-o,--output", output, "The packed executable to write")->required();
  CLI::Option* stubOption =
      build->add_option("--stub", stub, "The projector stub (default: ../ARCH/projector.exe beside this program)");
  build->add_option("--arch", arch, "win32 (32-bit projector) or win64 (64-bit projector); default: win32, or "
                                    "win64 for the packer in the win64 folder")
      ->check(CLI::IsMember({"win32", "win64"}))
      ->excludes(stubOption);
  build->add_option("--format-version", version, "Movie document format version, 100 to 140 (default 140)")
      ->check(CLI::Range(100, 140));
  build->add_flag("--no-compress", noCompress, "Store the document and the blocks without zlib");

  std::string exe, folder;
  CLI::App* inspect = app.add_subcommand("inspect", "List the blocks and print the document as a manifest");
  inspect->add_option("EXE", exe, "A packed projector")->required();
  CLI::App* extract = app.add_subcommand("extract", "Write the blocks' files, the embedded files and a manifest");
  extract->add_option("EXE", exe, "A packed projector")->required();
  extract->add_option("DIR", folder, "The folder to write into")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e, out, err);
    return rc == 0 ? kExitOk : kExitUsage;
  }

  if (build->parsed()) {
    BuildOptions options;
    options.manifest = PathFromUtf8(manifest);
    options.output = PathFromUtf8(output);
    if (!stub.empty()) options.stub = PathFromUtf8(stub);
    options.arch = arch;
    if (version != 0) options.formatVersion = version;
    options.noCompress = noCompress;
    options.selfPath = self;
    return Build(options, out, err);
  }
  if (inspect->parsed()) return Inspect(PathFromUtf8(exe), out, err);
  return Extract(PathFromUtf8(exe), PathFromUtf8(folder), out, err);
}

}  // namespace pack
