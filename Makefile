# Lirosa: `make run` opens the window on the device simulator, `make test`
# builds and runs every test. Both install what they need first. On a
# machine without make, ./make.sh GOAL installs make and then runs this.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
JOBS       ?= 2
DEMO_DIR   ?= $(CURDIR)/$(BUILD)/demo

# Debian packages the build, the tests and the demo need.
PACKAGES = build-essential cmake ninja-build pkg-config qt6-base-dev \
           libgtest-dev libgmock-dev fonts-wqy-microhei xvfb xauth \
           clang libclang-rt-14-dev file

.PHONY: all deps build test test-asan fuzz run clean

all: build

# Under sudo only the packages need root: in a checkout of the user who
# asked, the build, the tests and the window run as that user, so the build
# folders stay theirs.
ifneq ($(and $(SUDO_USER),$(filter 0,$(shell id -u)),$(filter-out root,$(SUDO_USER)),\
             $(filter $(SUDO_USER),$(shell stat -c %U .))),)
AS_USER = runuser -u $(SUDO_USER) --
endif

deps:
	@tools/install-packages.sh $(PACKAGES)
	@$(AS_USER) tools/check-build-owner.sh $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

$(BUILD)/build.ninja: | deps
	$(AS_USER) cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLIROSA_WERROR=ON

build: deps $(BUILD)/build.ninja
	$(AS_USER) cmake --build $(BUILD) -j$(JOBS)

$(ASAN_BUILD)/build.ninja: | deps
	$(AS_USER) cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLIROSA_WERROR=ON \
	  -DLIROSA_SANITIZE=ON -DLIROSA_BUILD_GUI=OFF

test-asan: deps $(ASAN_BUILD)/build.ninja
	$(AS_USER) cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  $(AS_USER) ctest --output-on-failure -j$(JOBS)

test: build
	cd $(BUILD) && $(AS_USER) ctest --output-on-failure -j$(JOBS)
	$(MAKE) --no-print-directory test-asan
	$(MAKE) --no-print-directory fuzz

# The fuzz targets (clang's libFuzzer, with ASan and UBSan), each run for
# FUZZ_SECONDS on a copy of its seeds in the build folder.
$(FUZZ_BUILD)/build.ninja: | deps
	CC=clang CXX=clang++ $(AS_USER) cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" -DLIROSA_WERROR=ON -DLIROSA_FUZZ=ON \
	  -DLIROSA_BUILD_GUI=OFF -DLIROSA_BUILD_TESTS=OFF

fuzz: deps $(FUZZ_BUILD)/build.ninja
	$(AS_USER) cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzzers
	$(AS_USER) fuzz/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(JOBS)

# The demo: tools/run-demo.sh starts the simulator and opens Lirosa on it
# with a settings folder of its own; without a display it says how to run
# on a server.
run: build
	@$(AS_USER) tools/run-demo.sh $(BUILD) $(DEMO_DIR)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

# Benchmarks, not part of `make test`: a Release build with bench/ in it,
# then every benchmark. The peer programs the receive and idle benchmarks
# compare the window with are installed when run as root. The soak runs
# SOAK_MINUTES here (its own default is half an hour: make bench
# SOAK_MINUTES=30).
.PHONY: bench
BENCH_BUILD    ?= build-bench-release
BENCH_PACKAGES  = picocom tio
IDLE_SECONDS   ?= 60
DISPLAY_RECORDS ?= 1000000
SOAK_MINUTES   ?= 5

bench: deps
	@tools/install-packages.sh --optional $(BENCH_PACKAGES)
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DLIROSA_BUILD_BENCH=ON \
	  -DLIROSA_BUILD_GUI=ON -DLIROSA_BUILD_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j$(JOBS)
	$(BENCH_BUILD)/bench/filesend_bench
	$(BENCH_BUILD)/bench/receive/receive_bench
	$(BENCH_BUILD)/bench/idle/idle_bench --seconds $(IDLE_SECONDS)
	$(BENCH_BUILD)/bench/display/display_bench --records $(DISPLAY_RECORDS)
	$(BENCH_BUILD)/bench/requests/requests_bench
	$(BENCH_BUILD)/bench/counters/counter_bench
	$(BENCH_BUILD)/bench/soak/soak_bench --minutes $(SOAK_MINUTES)

# The Windows build: Lirosa.exe and the tests cross-built with mingw-w64,
# the tests run under Wine in a Wine prefix of the build folder whose only
# COM port is a pseudo-terminal of each test (tests/win32/with-pty.py
# refuses to run otherwise), never a serial device of this machine. Among
# them Lirosa.exe itself, driven end to end on a virtual X display.
.PHONY: test-windows
WIN_BUILD ?= build-windows
# xvfb: the end-to-end test of Lirosa.exe starts an X server of its own;
# fonts-wine: Wine's Tahoma and Marlett, copied into the test prefix;
# fonts-wqy-microhei: a face for the Chinese captions.
WIN_PACKAGES = g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 fonts-wine fonts-wqy-microhei \
               googletest cmake ninja-build \
               python3 xvfb

test-windows:
	@tools/install-packages.sh $(WIN_PACKAGES)
	@$(AS_USER) tools/check-build-owner.sh $(WIN_BUILD)
	$(AS_USER) cmake -S windows -B $(WIN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DLIROSA_WERROR=ON \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake
	$(AS_USER) cmake --build $(WIN_BUILD) -j$(JOBS)
	$(AS_USER) tests/win32/run-tests.sh $(WIN_BUILD)
