# The two commands: `make run` and `make test`. Each first installs what the
# machine lacks (scripts/install-deps.sh, as root), then builds.
JOBS ?= $(shell nproc)
NATIVE := build
SANITIZED := build-asan
WINDOWS := build-mingw

.PHONY: run test deps native sanitized windows clean

deps:
	bash scripts/install-deps.sh

native: deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j $(JOBS)

sanitized: deps
	cmake -S . -B $(SANITIZED) -DCMAKE_BUILD_TYPE=Debug -DZEB_SANITIZE=ON
	cmake --build $(SANITIZED) -j $(JOBS)

windows: deps
	cmake -S . -B $(WINDOWS) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(WINDOWS) -j $(JOBS)

# Shows what zeb_c does; its usage text exits with status 1 by design.
run: native
	./$(NATIVE)/bin/zeb_c; status=$$?; [ $$status -eq 1 ] || exit $$status

test: native sanitized windows
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)
	ctest --test-dir $(SANITIZED) --output-on-failure -j $(JOBS)
	ctest --test-dir $(WINDOWS) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(NATIVE) $(SANITIZED) $(WINDOWS)
