# The two commands a user needs: `make run` and `make test`; `make e2e` drives the built
# program from outside on its own X server (also part of `make test`); `make fuzz` fuzzes the
# file readers.
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 1
FUZZ_FLAGS = -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
# A compiler cache, when the machine has one, makes rebuilds of a fresh clone fast.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: run test e2e fuzz fuzz-seeds

# The release build holds the program and its data files only: no tests, fuzzers or benchmarks.
run:
	@scripts/install-deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF $(LAUNCHER)
	cmake --build build/release -j $(JOBS)
	build/release/app/vantrel

test:
	@scripts/install-deps
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON $(LAUNCHER)
	cmake --build build/test -j $(JOBS)
	cd build/test && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure -j $(JOBS)

e2e:
	@scripts/install-deps
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON $(LAUNCHER)
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -L e2e -j $(JOBS)

# Builds the fuzzers with clang in their own folder and runs each for FUZZ_SECONDS, FUZZ_JOBS at
# a time (FUZZ_TARGETS="dbf memo" runs only those).
fuzz:
	@scripts/install-deps
	cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) \
	  -DCMAKE_CXX_COMPILER=clang++ -DVANTREL_FUZZ=ON -DVANTREL_TESTS=ON \
	  -DCMAKE_CXX_FLAGS="$(FUZZ_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
	cmake --build build/fuzz -j $(JOBS) --target fuzzers
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=$(FUZZ_JOBS) tests/fuzz/run-fuzzers.sh build/fuzz $(FUZZ_TARGETS)

# Writes the fuzzers' seed corpora anew with the program's own writers.
fuzz-seeds:
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON $(LAUNCHER)
	cmake --build build/test -j $(JOBS) --target fuzz_seeds auto_bin
	QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  build/test/tests/fuzz/fuzz_seeds tests/fuzz/corpus \
	  data/vtrx2532.hlp build/test/data/auto.bin
