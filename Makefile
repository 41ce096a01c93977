# Two commands for a newcomer: `make run` and `make test`. Each sets up what is missing first.
BUILD ?= build
comma := ,
CMAKE_FLAGS ?=

.PHONY: all setup configure build test run bench screenshots install package clean sanitize fuzz

all: build

setup:
	@bash scripts/setup

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD)

test: build
	@bash scripts/run-tests $(BUILD)

run: build
	@bash scripts/run-wizard $(BUILD)

bench: build
	@bash scripts/run-benchmarks $(BUILD)

screenshots: build
	@bash scripts/screenshots $(BUILD)

# make install [PREFIX=/usr/local] [DESTDIR=...]: the program, its libraries, the manual page, ...
install: build
	@DESTDIR=$(DESTDIR) cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

# make package: build/tessel_VERSION_ARCH.deb, from a build of its own without the tests and
# benchmarks (build/package), compiled and linked with Debian's hardening flags (dpkg-buildflags).
PACKAGE_BUILD ?= $(BUILD)/package
package: setup
	@eval "$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)" && \
	  CXXFLAGS="$$CPPFLAGS $$CXXFLAGS" cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DBUILD_TESTING=OFF \
	    -DCMAKE_BUILD_TYPE=None $(CMAKE_FLAGS) > /dev/null
	@cmake --build $(PACKAGE_BUILD) --target package
	@cp $(PACKAGE_BUILD)/tessel_*.deb $(BUILD)/

# make sanitize [SANITIZE=address|undefined|address,undefined]: every test of a build with that
# sanitizer, in a build folder of its own (build-address, ...); a finding fails its test.
SANITIZE ?= address,undefined
sanitize: setup
	@cmake -S . -B build-$(subst $(comma),-,$(SANITIZE)) -G Ninja -DTESSEL_SANITIZE=$(SANITIZE) $(CMAKE_FLAGS) > /dev/null
	@cmake --build build-$(subst $(comma),-,$(SANITIZE))
	@bash scripts/run-tests build-$(subst $(comma),-,$(SANITIZE))

# make fuzz [FUZZ_SECONDS=600]: the translation cache's fuzz target (clang, libFuzzer); see scripts/fuzz.
FUZZ_SECONDS ?= 600
fuzz:
	@bash scripts/setup --fuzz
	@bash scripts/fuzz build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
