# Top-level driver. `make` builds both trees into dist/; `make test` and
# `make demo` are the README's two commands.
SHELL := /bin/bash
ROOT := $(abspath .)
JOBS ?= $(shell nproc)
CMAKE_GEN := $(shell command -v ninja >/dev/null && echo -G Ninja)

HOST := build/host
ASAN := build/host-asan
WIN := build/win32
FUZZ := build/fuzz

.PHONY: all setup host asan win32 test test-host test-win32 demo fuzz bench clean

all: setup host win32

setup:
	@scripts/setup

$(HOST)/CMakeCache.txt:
	cmake -S . -B $(HOST) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DPROJECTOR_BUILD_TESTS=OFF -DPROJECTOR_DIST_DIR=$(ROOT)/dist/host

$(ASAN)/CMakeCache.txt:
	cmake -S . -B $(ASAN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DPROJECTOR_SANITIZE=ON -DPROJECTOR_DIST_DIR=$(ROOT)/build/host-asan/dist

$(WIN)/CMakeCache.txt:
	cmake -S . -B $(WIN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$(ROOT)/cmake/mingw-i686.cmake -DPROJECTOR_DIST_DIR=$(ROOT)/dist/win32

$(FUZZ)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPROJECTOR_LIBFUZZER=ON -DPROJECTOR_SANITIZE=ON -DPROJECTOR_DIST_DIR=$(ROOT)/build/fuzz/dist

host: $(HOST)/CMakeCache.txt
	cmake --build $(HOST) -j $(JOBS)

asan: $(ASAN)/CMakeCache.txt
	cmake --build $(ASAN) -j $(JOBS)

win32: $(WIN)/CMakeCache.txt
	cmake --build $(WIN) -j $(JOBS)

fuzz: setup $(FUZZ)/CMakeCache.txt
	cmake --build $(FUZZ) -j $(JOBS)

test: setup asan win32
	@status=0; \
	echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"; \
	ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS) || status=1; \
	echo "== Windows tests (Wine)"; \
	scripts/with-display ctest --test-dir $(WIN) --output-on-failure -j $(JOBS) || status=1; \
	exit $$status

demo: setup host win32
	scripts/demo

bench: setup host win32
	scripts/bench

clean:
	rm -rf build dist
