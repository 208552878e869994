# The front doors. `make run` and `make test` install what is missing first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps configure build run test bench fuzz sanitize format-check clean install uninstall package

all: build

deps:
	./scripts/install-deps

configure:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: deps build
	./scripts/run-wavecrest $(BUILD_DIR)/wavecrest

# Warnings fail the build here: what is tested is what CI accepts.
test: deps
	$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DWAVECREST_WARNINGS_AS_ERRORS=ON"
	./scripts/run-tests $(BUILD_DIR)

format-check:
	./scripts/check-format

# A Debug build with AddressSanitizer and UndefinedBehaviorSanitizer that runs
# every test; any report fails it (suppressions in scripts/sanitizer/).
sanitize: deps
	cmake -S . -B $(BUILD_DIR)-sanitize -DCMAKE_BUILD_TYPE=Debug -DWAVECREST_SANITIZE=ON -DWAVECREST_WARNINGS_AS_ERRORS=ON
	cmake --build $(BUILD_DIR)-sanitize -j $(JOBS)
	./scripts/run-sanitized-tests $(BUILD_DIR)-sanitize

# The program, its menu entry, icons and metainfo under $(PREFIX).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR)

# Removes what the last `make install` from this build folder put in place.
uninstall:
	@if [ -f $(BUILD_DIR)/install_manifest.txt ]; then \
		xargs -d '\n' rm -fv -- < $(BUILD_DIR)/install_manifest.txt; \
		if command -v update-desktop-database >/dev/null && [ -d "$(DESTDIR)$(PREFIX)/share/applications" ]; then \
			update-desktop-database -q "$(DESTDIR)$(PREFIX)/share/applications"; \
		fi; \
	else \
		echo "uninstall: nothing installed from $(BUILD_DIR)"; \
	fi

# A Debian package of the same tree, under /usr: $(BUILD_DIR)/wavecrest_*.deb
package: deps build
	cd $(BUILD_DIR) && cpack -G DEB

# Like make test, the benchmarks and the fuzz targets fail on any warning.
bench:
	./scripts/install-deps --bench
	cmake -S . -B $(BUILD_DIR)-bench -DCMAKE_BUILD_TYPE=Release -DWAVECREST_BUILD_BENCH=ON -DWAVECREST_BUILD_TESTS=OFF -DWAVECREST_WARNINGS_AS_ERRORS=ON
	cmake --build $(BUILD_DIR)-bench -j $(JOBS)
	./scripts/run-benchmarks $(BUILD_DIR)-bench

fuzz: deps
	CXX=clang++-14 cmake -S . -B $(BUILD_DIR)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAVECREST_BUILD_FUZZ=ON -DWAVECREST_BUILD_TESTS=OFF -DWAVECREST_WARNINGS_AS_ERRORS=ON
	cmake --build $(BUILD_DIR)-fuzz -j $(JOBS)
	@echo "Fuzz targets are in $(BUILD_DIR)-fuzz/fuzz/; run one with -max_total_time=60"

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-bench $(BUILD_DIR)-fuzz $(BUILD_DIR)-sanitize
