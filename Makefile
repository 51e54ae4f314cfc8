# Front door of the project. `make check` is what CI runs.
SHELL := /bin/bash
.PHONY: all bootstrap build check demo bench fuzz dist install clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake --preset win32 >/dev/null && cmake --build --preset win32
	cmake --preset win64 >/dev/null && cmake --build --preset win64
	cmake --preset native >/dev/null && cmake --build --preset native
	cmake --preset fuzz >/dev/null && cmake --build --preset fuzz

check: build
	scripts/run-fuzzers short
	ctest --test-dir build/native --output-on-failure --timeout 600

demo: build
	scripts/demo

bench: build
	scripts/bench

fuzz: build
	scripts/run-fuzzers long

dist: build
	scripts/dist

# zelvosav, the saver as an XScreenSaver hack, where distributions keep hacks:
# $(PREFIX)/libexec/xscreensaver/zelvosav and share/xscreensaver/config/zelvosav.xml.
PREFIX ?= /usr/local
install: bootstrap
	cmake --preset native >/dev/null && cmake --build --preset native --target zelvosav_x11
	cmake --install build/native --prefix "$(PREFIX)" --strip

clean:
	rm -rf build
