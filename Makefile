# SPDX-License-Identifier: GPL-3.0-or-later
# KORVEX Terminal: `make demo` to try it against the simulated board,
# `make test` to run every test. Both install what is missing and build.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
SANITIZE_DIR ?= build-sanitize
RELEASE_DIR ?= build-release
FUZZ_DIR ?= build-fuzz
PACKAGE_DIR ?= build-package
INSTALL_BUILD_DIR ?= build-install
PREFIX ?= /usr/local
DESTDIR ?=
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# Debian packages: building and testing; screenshots; fuzzing, sanitizers, lint.
PACKAGES := build-essential cmake qt6-base-dev qt6-serialport-dev qt6-translations-l10n
PACKAGES_SCREENSHOTS := xvfb xauth
PACKAGES_PACKAGE := dpkg-dev file
PACKAGES_ADAPTER := qemu-system-x86 debootstrap strace python3
PACKAGES_DEV := clang libclang-rt-14-dev libfuzzer-14-dev clang-tidy clang-format cppcheck

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

# ccache, when installed, makes rebuilds in a second checkout cheap.
LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# A build folder copied or moved with the checkout still names the old tree:
# CMake would build that one, or fail. Start such a folder afresh.
define fresh_build_dir
	@if [ -f $(1)/CMakeCache.txt ] && ! grep -qxF 'CMAKE_HOME_DIRECTORY:INTERNAL=$(CURDIR)' $(1)/CMakeCache.txt; then \
	  echo "$(1) was configured for another folder: starting it afresh"; rm -rf $(1); \
	fi
endef

define install_missing
	@missing=""; \
	for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null; then \
	    echo "Please install these Debian packages as root:$$missing"; exit 1; \
	  fi; \
	  $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y $$missing \
	    || { echo "Could not install:$$missing"; exit 1; }; \
	fi
endef

.PHONY: all deps deps-screenshots deps-dev configure build run demo test test-adapter test-sanitize bench fuzz lint screenshots \
	package install clean

all: build

deps:
	$(call install_missing,$(PACKAGES))

deps-screenshots:
	$(call install_missing,$(PACKAGES_SCREENSHOTS))

deps-dev: deps
	$(call install_missing,$(PACKAGES_DEV))

configure: deps
	$(call fresh_build_dir,$(BUILD_DIR))
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(LAUNCHER)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The terminal on the real serial ports, with the user's own settings.
run: build
	./$(BUILD_DIR)/korvex-terminal

# The terminal against the simulated board, with settings of its own.
demo: build
	tools/demo.sh $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The terminal against a real USB-serial driver (ftdi_sio) in a QEMU guest, as
# root; not part of `make test`. The guest image is made once and cached.
test-adapter: build
	$(call install_missing,$(PACKAGES_ADAPTER))
	cmake --build $(BUILD_DIR) -j $(JOBS) --target korvex-adapter-flows
	tools/adapter/testbed.py $(BUILD_DIR)

test-sanitize: deps-dev
	$(call fresh_build_dir,$(SANITIZE_DIR))
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DKORVEX_SANITIZE=ON $(LAUNCHER)
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# Speed figures (not part of the tests): an optimised build, one harness.
# The paced line and the idle port are measured again under a virtual X
# server, where painting costs more than offscreen.
bench: deps deps-screenshots
	$(call fresh_build_dir,$(RELEASE_DIR))
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release $(LAUNCHER)
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target korvex-bench
	QT_QPA_PLATFORM=offscreen ./$(RELEASE_DIR)/bench/korvex-bench
	KORVEX_BENCH_ONLY=line QT_QPA_PLATFORM=xcb xvfb-run -a ./$(RELEASE_DIR)/bench/korvex-bench

# Coverage-guided fuzzing with libFuzzer, FUZZ_SECONDS per target.
fuzz: deps-dev
	$(call fresh_build_dir,$(FUZZ_DIR))
	CXX=clang++ CC=clang cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target korvex_fuzz_targets
	tests/fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

lint: deps-dev configure
	tools/lint.sh $(BUILD_DIR)

# Pictures of every window under a virtual X server, into screenshots/.
screenshots: deps-screenshots build
	tools/screenshots.sh $(BUILD_DIR) screenshots

# The Debian package, korvex-terminal_<version>_<arch>.deb in this folder:
# the program and its desktop files only, dependencies from the binary.
package: deps
	$(call install_missing,$(PACKAGES_PACKAGE))
	$(call fresh_build_dir,$(PACKAGE_DIR))
	cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DKORVEX_TESTS=OFF $(LAUNCHER)
	cmake --build $(PACKAGE_DIR) -j $(JOBS)
	rm -f $(PACKAGE_DIR)/*.deb
	cd $(PACKAGE_DIR) && cpack -G DEB
	cp $(PACKAGE_DIR)/*.deb .
	@echo "Package: $$(cd $(PACKAGE_DIR) && ls *.deb)"

# The same files as the package, under $(DESTDIR)$(PREFIX). Installed into
# the running system, the desktop's MIME and menu caches are refreshed.
install: deps
	$(call fresh_build_dir,$(INSTALL_BUILD_DIR))
	cmake -S . -B $(INSTALL_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX) -DKORVEX_TESTS=OFF $(LAUNCHER)
	cmake --build $(INSTALL_BUILD_DIR) -j $(JOBS)
	$(if $(DESTDIR),,$(SUDO)) env DESTDIR=$(DESTDIR) cmake --install $(INSTALL_BUILD_DIR) --strip
	@if [ -z "$(DESTDIR)" ]; then \
	  ! command -v update-mime-database >/dev/null || $(SUDO) update-mime-database $(PREFIX)/share/mime; \
	  ! command -v update-desktop-database >/dev/null || $(SUDO) update-desktop-database -q $(PREFIX)/share/applications; \
	  ! command -v gtk-update-icon-cache >/dev/null || $(SUDO) gtk-update-icon-cache -q -t $(PREFIX)/share/icons/hicolor; \
	fi

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(RELEASE_DIR) $(FUZZ_DIR) $(PACKAGE_DIR) $(INSTALL_BUILD_DIR)
