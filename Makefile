# Top-level commands over CMake.
#   make test    bootstrap, both builds, all tests
#   make demo    bootstrap, build, run the main job on the embedded default
#   make fuzz    a longer fuzzing run of the registration-file reader
BUILD ?= build
NATIVE := $(BUILD)/native
WINDOWS := $(BUILD)/windows
FUZZ := $(BUILD)/fuzz
JOBS ?= 2
FUZZ_SECONDS ?= 120

.PHONY: all bootstrap native windows test test-native test-windows demo fuzz clean

all: native windows

bootstrap:
	@scripts/bootstrap

$(NATIVE)/CMakeCache.txt:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug

$(WINDOWS)/CMakeCache.txt:
	cmake -S . -B $(WINDOWS) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

native: $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j$(JOBS)

windows: $(WINDOWS)/CMakeCache.txt
	cmake --build $(WINDOWS) -j$(JOBS)

test-native: native
	ctest --test-dir $(NATIVE) --output-on-failure -j$(JOBS)

test-windows: windows
	ctest --test-dir $(WINDOWS) --output-on-failure -j$(JOBS)

test: bootstrap
	$(MAKE) test-native
	$(MAKE) test-windows

# The demo needs the product's programs only, not the test programs.
demo: bootstrap $(WINDOWS)/CMakeCache.txt
	cmake --build $(WINDOWS) -j$(JOBS) --target Lumora RegTray LumoraCmd LumoraCheck
	@scripts/demo $(WINDOWS)

fuzz: bootstrap
	cmake -S . -B $(FUZZ) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DCMAKE_BUILD_TYPE=Debug -DLUMORA_FUZZ=ON
	cmake --build $(FUZZ) -j$(JOBS) --target reg_reader_fuzz
	mkdir -p $(FUZZ)/fuzz-corpus
	$(FUZZ)/tests/registry/fuzz/reg_reader_fuzz -max_total_time=$(FUZZ_SECONDS) \
	  $(FUZZ)/fuzz-corpus tests/registry/fuzz/corpus

clean:
	rm -rf $(BUILD)
