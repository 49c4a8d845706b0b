# The two commands: `make run` and `make test`. Each first installs what the
# machine lacks (scripts/install-deps.sh, as root), then builds.
JOBS ?= $(shell nproc)
NATIVE := build
SANITIZED := build-asan
WINDOWS := build-mingw
WINE := build-wine64

.PHONY: run test deps native sanitized windows wine dist dist-check clean

deps:
	bash scripts/install-deps.sh

native: deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j $(JOBS)

sanitized: deps
	cmake -S . -B $(SANITIZED) -DCMAKE_BUILD_TYPE=Debug -DZEB_SANITIZE=ON
	cmake --build $(SANITIZED) -j $(JOBS)

# The shipped Windows program: 32-bit, statically linked. Built with its tests
# so that no misuse of the Win32 API can creep in; this host cannot run 32-bit
# code, so the tests run from the 64-bit build below.
windows: deps
	cmake -S . -B $(WINDOWS) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(WINDOWS) -j $(JOBS)

# The same sources for 64-bit Windows, whose tests run under Wine.
wine: deps
	cmake -S . -B $(WINE) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
	cmake --build $(WINE) -j $(JOBS)

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

# The native tree's end-to-end tests also run the 64-bit Windows build, under Wine.
E2E_ON_WINDOWS := -DZEB_E2E_WINDOWS_BUILD=$(CURDIR)/$(WINE)

test: native sanitized windows wine dist-check
	cmake -S . -B $(NATIVE) $(E2E_ON_WINDOWS)
	cmake --build $(NATIVE) -j $(JOBS)
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)
	ctest --test-dir $(SANITIZED) --output-on-failure -j $(JOBS)
	ctest --test-dir $(WINE) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(NATIVE) $(SANITIZED) $(WINDOWS) $(WINE)
