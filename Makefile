# Front door for the CMake build. `make test` and `make run` are all a newcomer needs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
# Seconds each fuzz target runs for in `make fuzz`.
SECONDS    ?= 60
JOBS       ?= $(shell nproc)
ARCHIVE    ?=
# Opened by `make run` when no ARCHIVE is given; written by the build.
SAMPLE     := $(BUILD)/sample/sample.far
PREFIX     ?= /usr/local
PACKAGES   := cmake ninja-build g++ qt6-base-dev libgl-dev libsdl2-dev libgtest-dev libgmock-dev libbenchmark-dev libpng-dev nlohmann-json3-dev libsndfile1-dev libimagequant-dev xvfb \
              desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl \
              man-db bsdextrautils bash-completion dpkg-dev file time lintian libglib2.0-bin
# Only `make fuzz` needs these: clang and its sanitizer and libFuzzer runtimes.
FUZZ_PACKAGES := clang libclang-rt-dev
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps fuzz-deps configure build test test-asan fuzz bench run install package clean

# Installs only the packages of the list that are missing.
define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

fuzz-deps:
	$(call install_missing,$(PACKAGES) $(FUZZ_PACKAGES))

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The tests, the sanitizer build and the fuzz build hold our code to warnings
# as errors; a plain build, install and package do not.
test: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_WERROR=ON
	$(MAKE) build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Sanitizer build: leaks, overflows and undefined behaviour fail the tests.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORN_SANITIZE=ON -DVORN_BUILD_BENCH=OFF -DVORN_WERROR=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/testing/lsan.supp \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# Coverage-guided fuzzing with ASan and UBSan: builds the fuzz targets with
# clang and runs each for SECONDS seconds (`make fuzz SECONDS=600`).
fuzz: fuzz-deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DVORN_FUZZ=ON -DVORN_BUILD_UI=OFF -DVORN_BUILD_BENCH=OFF -DVORN_WERROR=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	sh fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(SECONDS)

bench: deps
	$(MAKE) build
	@for b in $(BUILD)/bench/*_bench; do \
	  if [ -x "$$b" ]; then echo "== $$b"; "$$b" || exit 1; fi; \
	done
	@for s in bench/*.sh; do \
	  if [ -f "$$s" ]; then echo "== $$s"; BUILD=$(BUILD) sh "$$s" || exit 1; fi; \
	done

run: deps
	$(MAKE) build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	  echo "No display found. Run it under a virtual display:  xvfb-run -a make run"; \
	  echo "or without any window:                            QT_QPA_PLATFORM=offscreen make run"; \
	  exit 1; \
	fi
	$(BUILD)/app/vorn $(if $(ARCHIVE),$(ARCHIVE),$(SAMPLE))

# DESTDIR=... stages the files for packaging; without it the desktop's file-type
# and launcher caches of the prefix are brought up to date, as Debian's triggers do.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)
	@if [ -z "$(DESTDIR)" ]; then \
	  update-mime-database $(PREFIX)/share/mime 2>/dev/null || true; \
	  update-desktop-database $(PREFIX)/share/applications 2>/dev/null || true; \
	fi

# The Debian package vorn_<version>_<arch>.deb, in $(BUILD)/.
package: configure
	cmake -S . -B $(BUILD) -DVORN_WERROR=OFF
	cmake --build $(BUILD) -j $(JOBS) --target package

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
