# The commands of the README: `make run`, `make test`, `make install` and `make deb`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
DEB_BUILD  ?= build-deb
# Seconds per fuzz target: `make fuzz` runs long, `make test` briefly.
FUZZ_SECONDS ?= 300
FUZZ_TEST_SECONDS ?= 20
# The soak's size: random commands, and start/stop cycles of the player.
SOAK_COMMANDS ?= 10000
SOAK_CYCLES ?= 300
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
PREFIX     ?= /usr/local

.PHONY: all deps build run test test-release test-asan test-fuzz test-gnome fuzz fuzz-build bench soak install deb package-check format clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-player $(BUILD)/memotap

test: test-release test-asan test-fuzz

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The GNOME path against real GNOME 43 in a Debian 12 root (needs root); the
# root is cached in $(BUILD)/gnome-check-cache.
test-gnome: build
	tests/gnome/check-gnome $(BUILD)

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DMEMOTAP_SANITIZE=ON

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 900

$(FUZZ_BUILD)/build.ninja: | deps
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEMOTAP_FUZZ=ON

fuzz-build: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Each target over its seed corpus, then fuzzing for the given seconds.
test-fuzz: fuzz-build
	@scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_TEST_SECONDS)

fuzz: fuzz-build
	@scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	@scripts/run-bench $(BUILD)

# Long random runs under the sanitizers; not part of `make test`.
soak: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target memotap_soak memotap memotap-player
	SOAK_COMMANDS=$(SOAK_COMMANDS) SOAK_CYCLES=$(SOAK_CYCLES) scripts/run-soak $(ASAN_BUILD)

# The prefix is compiled in: the executable in PREFIX/bin keeps its settings in
# the user's configuration folder and finds its help under PREFIX/share.
install: deps $(BUILD)/build.ninja
	cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(abspath $(PREFIX))
	cmake --build $(BUILD) -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

# The Debian package, built with Debian's compiler and linker flags for /usr,
# without the tests: $(DEB_BUILD)/package/memotap_VERSION-N_ARCH.deb.
$(DEB_BUILD)/build.ninja: | deps
	CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	cmake -S . -B $(DEB_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_INSTALL_PREFIX=/usr -DMEMOTAP_TESTS=OFF -DMEMOTAP_DEB=ON

deb: deps $(DEB_BUILD)/build.ninja
	cmake --build $(DEB_BUILD) -j $(JOBS)
	rm -rf $(DEB_BUILD)/package
	cd $(DEB_BUILD) && cpack
	lintian --fail-on error $(DEB_BUILD)/package/*.deb

# The package installed into a clean Debian 12 root and tried there; the root
# is cached in $(DEB_BUILD)/package-check-cache.
package-check: deb
	packaging/deb/check-package $(DEB_BUILD)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(DEB_BUILD)
