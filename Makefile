# The two commands a user needs: `make run` and `make test`; `make e2e` drives the built
# program from outside on its own X server (also part of `make test`).
JOBS ?= $(shell nproc)
# A compiler cache, when the machine has one, makes rebuilds of a fresh clone fast.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: run test e2e

run:
	@scripts/install-deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release $(LAUNCHER)
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
