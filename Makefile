# Top-level driver. `make` builds both trees into dist/; `make test` and
# `make demo` are the README's two commands.
SHELL := /bin/bash
ROOT := $(abspath .)
JOBS ?= $(shell nproc)
CMAKE_GEN := $(shell command -v ninja >/dev/null && echo -G Ninja)
# A compiler cache, when the machine has one, makes rebuilds in several work trees cheap.
LAUNCHER := $(shell command -v ccache >/dev/null && echo -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

HOST := build/host
ASAN := build/host-asan
WIN32 := build/win32
WIN64 := build/win64
FUZZ := build/fuzz

.PHONY: all setup host asan win32 win64 test demo fuzz fuzz-exports bench clean

all: setup host win32 win64

setup:
	@scripts/setup

$(HOST)/CMakeCache.txt:
	cmake -S . -B $(HOST) $(CMAKE_GEN) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Release -DPROJECTOR_BUILD_TESTS=OFF -DPROJECTOR_DIST_DIR=$(ROOT)/dist/host

$(ASAN)/CMakeCache.txt:
	cmake -S . -B $(ASAN) $(CMAKE_GEN) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DPROJECTOR_SANITIZE=ON -DPROJECTOR_DIST_DIR=$(ROOT)/build/host-asan/dist

$(WIN32)/CMakeCache.txt:
	cmake -S . -B $(WIN32) $(CMAKE_GEN) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$(ROOT)/cmake/mingw-i686.cmake -DPROJECTOR_DIST_DIR=$(ROOT)/dist/win32

$(WIN64)/CMakeCache.txt:
	cmake -S . -B $(WIN64) $(CMAKE_GEN) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$(ROOT)/cmake/mingw-x86_64.cmake -DPROJECTOR_DIST_DIR=$(ROOT)/dist/win64

$(FUZZ)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ) $(CMAKE_GEN) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPROJECTOR_LIBFUZZER=ON -DPROJECTOR_SANITIZE=ON -DPROJECTOR_DIST_DIR=$(ROOT)/build/fuzz/dist

host: $(HOST)/CMakeCache.txt
	cmake --build $(HOST) -j $(JOBS)

asan: $(ASAN)/CMakeCache.txt
	cmake --build $(ASAN) -j $(JOBS)

win32: $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS)

win64: $(WIN64)/CMakeCache.txt
	cmake --build $(WIN64) -j $(JOBS)

# `make fuzz FUZZ_TIME=600` also runs each target that long (FUZZ_TARGETS picks some), keeping new inputs
# in build/fuzz/corpus/<target>.
FUZZ_TIME ?=
FUZZ_TARGETS ?=
fuzz: setup $(FUZZ)/CMakeCache.txt
	cmake --build $(FUZZ) -j $(JOBS)
	@if [[ -n "$(FUZZ_TIME)" ]]; then scripts/fuzz-long $(FUZZ) $(FUZZ_TIME) $(FUZZ_TARGETS); fi

# Both Windows trees always build; the Windows tests run in the one this machine can execute
# (scripts/windows-tree says which and why; PROJECTOR_WINDOWS_TESTS=win32|win64 forces it).
test: setup asan win32 win64
	@status=0; \
	read -r tree why < <(scripts/windows-tree) || exit 2; \
	echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"; \
	ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS) || status=1; \
	echo "== Windows tests (Wine): the $$tree tree, since $$why"; \
	scripts/with-display ctest --test-dir build/$$tree --output-on-failure -j $(JOBS) || status=1; \
	exit $$status

# The export harness in the Windows tree this machine runs, in a confined Wine prefix of its own:
# FUZZ_EXPORTS_CALLS calls of every export of VantraFSCmd.dll, in an order drawn from FUZZ_EXPORTS_SEED.
FUZZ_EXPORTS_CALLS ?= 10000
FUZZ_EXPORTS_SEED ?= 1
fuzz-exports: setup $(WIN32)/CMakeCache.txt $(WIN64)/CMakeCache.txt
	@read -r tree why < <(scripts/windows-tree) || exit 2; \
	cmake --build build/$$tree --target fscmd_fuzz_exports -j $(JOBS) && \
	nice scripts/fuzz-exports --tree build/$$tree --calls $(FUZZ_EXPORTS_CALLS) --seed $(FUZZ_EXPORTS_SEED)

demo: setup host win32 win64
	scripts/demo

bench: setup host win32 win64
	scripts/bench

clean:
	rm -rf build dist
