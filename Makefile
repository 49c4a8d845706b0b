# The two commands: `make run` and `make test`. Each first installs what the
# machine lacks (scripts/install-deps.sh, as root), then builds.
JOBS ?= $(shell nproc)
NATIVE := build
SANITIZED := build-asan
WINDOWS := build-mingw
WINE := build-wine64
FUZZ := build-fuzz
# Seconds of new inputs per fuzz target in make test; a campaign takes more.
FUZZ_SECONDS ?= 6
CAMPAIGN_SECONDS ?= 300

.PHONY: run test deps native sanitized windows wine dist dist-check fuzz-build fuzz fuzz-campaign clean

deps:
	bash scripts/install-deps.sh

native: deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j $(JOBS)

sanitized: deps
	cmake -S . -B $(SANITIZED) -DCMAKE_BUILD_TYPE=Debug -DZEB_SANITIZE=ON
	cmake --build $(SANITIZED) -j $(JOBS)

# The shipped Windows program: 32-bit, statically linked, with its tests. They
# run under 32-bit Wine, which this kernel starts only through qemu-user
# (scripts/install-deps.sh sets that up; scripts/i386-ready.sh tells).
windows: deps
	cmake -S . -B $(WINDOWS) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(WINDOWS) -j $(JOBS)

# The same sources for 64-bit Windows, whose tests run under Wine.
wine: deps
	cmake -S . -B $(WINE) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
	cmake --build $(WINE) -j $(JOBS)

# The libFuzzer targets of fuzz/: a clang tree of its own, every library
# instrumented, only the targets built.
fuzz-build: deps
	cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DZEB_FUZZ=ON -DZEB_BUILD_TESTS=OFF
	cmake --build $(FUZZ) -j $(JOBS) --target zeb_fuzz_targets

# Each target over its kept corpus, then FUZZ_SECONDS of new inputs.
fuzz: fuzz-build
	bash scripts/fuzz.sh $(FUZZ) $(FUZZ_SECONDS)

# A longer run, written up in bench/fuzz-results.md.
fuzz-campaign:
	bash bench/fuzz.sh $(CAMPAIGN_SECONDS)

# The example runs through zeb_c: compiled on the first run, from the cache after.
run: native
	./$(NATIVE)/bin/zeb_c examples/hello.zebc

# The release archives, in build/dist/ and build-mingw/dist/.
dist: native windows
	cd $(NATIVE) && cpack -G TGZ
	cd $(WINDOWS) && cpack -G ZIP

# Each archive as a user meets it: the Linux one unpacked and run.
VERSION := $(shell sed -n '/^project/s/.*VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist-check: dist
	bash scripts/check-dist.sh $(NATIVE)/dist/zeb_c-$(VERSION)-linux-x86_64.tar.gz \
	  $(WINDOWS)/dist/zeb_c-$(VERSION)-windows-x86.zip

# The native tree's end-to-end tests also run both Windows builds, under Wine.
E2E_ON_WINDOWS := -DZEB_E2E_WINDOWS_BUILD=$(CURDIR)/$(WINE) -DZEB_E2E_WINDOWS32_BUILD=$(CURDIR)/$(WINDOWS)

test: native sanitized windows wine dist-check fuzz
	cmake -S . -B $(NATIVE) $(E2E_ON_WINDOWS)
	cmake --build $(NATIVE) -j $(JOBS)
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)
	ctest --test-dir $(SANITIZED) --output-on-failure -j $(JOBS)
	ctest --test-dir $(WINE) --output-on-failure -j $(JOBS)
	@if reason=$$(bash scripts/i386-ready.sh); then \
	  ctest --test-dir $(WINDOWS) --output-on-failure -j $(JOBS); \
	else \
	  echo "32-bit Windows unit suites skipped: $$reason"; \
	fi

clean:
	rm -rf $(NATIVE) $(SANITIZED) $(WINDOWS) $(WINE) $(FUZZ)
