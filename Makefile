# Front door of the project. `make check` is what CI runs.
SHELL := /bin/bash
.PHONY: all bootstrap build check demo bench fuzz dist install uninstall deb clean
# The builds that CMake's makefiles run say nothing of the folders they enter.
MAKEFLAGS += --no-print-directory

all: build

bootstrap:
	@scripts/bootstrap

# Every preset; then build/wine, the programs that this machine's Wine runs.
build: bootstrap
	cmake --preset win32 >/dev/null && cmake --build --preset win32
	cmake --preset win64 >/dev/null && cmake --build --preset win64
	cmake --preset native >/dev/null && cmake --build --preset native
	cmake --preset fuzz >/dev/null && cmake --build --preset fuzz
	@scripts/wine-build

check: build
	scripts/run-fuzzers short
	ctest --test-dir build/native --output-on-failure --timeout 600 --label-exclude package

demo: build
	scripts/demo

bench: build
	scripts/bench

fuzz: build
	scripts/run-fuzzers long

# Only the two Windows 95 programs that it packs are built for it.
dist: bootstrap
	@echo "dist: building ZelvoSav.scr and decorama.exe for Windows 95 (build/win32)"
	@cmake --preset win32 >/dev/null && cmake --build --preset win32 --target zelvosav decorama
	@scripts/dist

# zelvosav, the saver as an XScreenSaver hack, from an optimised build (build/release)
# where distributions keep hacks: $(PREFIX)/libexec/xscreensaver/zelvosav,
# share/xscreensaver/config/zelvosav.xml and share/man/man6/zelvosav.6x.gz. DESTDIR
# stages them elsewhere, as for a package.
PREFIX ?= /usr/local
ZELVOSAV_FILES = libexec/xscreensaver/zelvosav share/xscreensaver/config/zelvosav.xml \
                 share/man/man6/zelvosav.6x.gz
install: bootstrap
	cmake --preset release >/dev/null && cmake --build --preset release
	cmake --install build/release --prefix "$(PREFIX)" --strip

# Takes away what install put there, and the folders of XScreenSaver's that it made
# and that hold nothing else.
uninstall:
	rm -f $(foreach f,$(ZELVOSAV_FILES),"$(DESTDIR)$(PREFIX)/$(f)")
	-@rmdir "$(DESTDIR)$(PREFIX)/libexec/xscreensaver" "$(DESTDIR)$(PREFIX)/share/xscreensaver/config" \
	        "$(DESTDIR)$(PREFIX)/share/xscreensaver" 2>/dev/null || true

# zelvosav as a Debian package, build/deb/zelvosav_<version>_<architecture>.deb,
# checked with lintian.
deb: bootstrap
	@scripts/deb

clean:
	rm -rf build
