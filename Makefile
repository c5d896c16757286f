# The two commands of the README: `make run` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
WINDOWS_BUILD ?= build-windows
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: deps build run test test-sanitize test-threads bench fuzz screenshots install clean \
  windows-deps windows test-windows dist-windows test-dist-windows package test-package

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole test suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUILLMER_SANITIZE=ON -DQUILLMER_BENCH=OFF > /dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The suite once more under ThreadSanitizer, for the conversion run's reading
# and writing threads (the desktop program left out). TSan holds a signal back
# while a thread waits in open() on a FIFO, so that one test is left to the
# other builds, as is the one of an output FIFO waiting for its reader.
test-threads: deps
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMER_TSAN=ON -DQUILLMER_GUI=OFF \
	  -DQUILLMER_BENCH=OFF > /dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS) \
	  -E 'CancelledWhileWaitingForAFifoWriter|FifoOutputWaitsForItsReader'

# Every fuzz target (clang, libFuzzer, ASan + UBSan) for FUZZ_SECONDS each;
# fails on any finding.
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUILLMER_FUZZ=ON -DQUILLMER_TESTS=OFF -DQUILLMER_BENCH=OFF -DQUILLMER_GUI=OFF > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target quillmer_fuzz
	@scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

# Pictures of the windows and boxes for the documentation, drawn offscreen.
screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/src/app/qt/quillmer-screenshots docs \
	  $(abspath examples/outlook-export.csv)

# Both programs, the menu entry, the icon and the README under PREFIX.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The native Windows programs, cross-built with mingw-w64 and statically linked.
windows-deps:
	@scripts/install-windows-deps.sh

windows: windows-deps
	@cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" > /dev/null
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# The test suites under Wine, then the Windows converter against the Linux one.
test-windows: windows build
	cd $(WINDOWS_BUILD) && ctest --output-on-failure -j $(JOBS)
	scripts/compare-windows.sh $(BUILD) $(WINDOWS_BUILD)

# A zip with the two programs and a short read-me in Japanese and English,
# and the per-user installer of the same (quillmer-setup-VERSION.exe).
dist-windows: windows
	@scripts/dist-windows.sh $(WINDOWS_BUILD)

# The installer under Wine: silent install, run, registrations, uninstall.
test-dist-windows: dist-windows
	scripts/windows-installer-test.sh $(WINDOWS_BUILD)

# The Debian package quillmer_VERSION_ARCH.deb, with no lintian error.
package: build
	@scripts/install-packages.sh lintian
	@scripts/package-deb.sh $(BUILD)

# The package installed with apt-get, used, removed (as root: CI).
test-package: package
	scripts/package-test.sh $$(ls -t $(BUILD)/quillmer_*.deb | head -1)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD)
