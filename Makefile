# The two set-up commands: `make run` and `make test`.
BUILD      ?= build/release
TEST_BUILD ?= build/asan
JOBS       ?= 2
CMAKE_GEN  := -G Ninja

.PHONY: run test build deps test-build clean format install

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DSKYLARK_TESTS=OFF >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Runs the program's main job: the desktop program on the example database.
run: build
	@scripts/run $(BUILD)

test-build: deps
	@cmake -S . -B $(TEST_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DSKYLARK_SANITIZE=ON >/dev/null
	@cmake --build $(TEST_BUILD) -j $(JOBS)

# The include order is checked before the tests run (scripts/check-layers).
test: test-build
	@scripts/check-layers
	@cd $(TEST_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build

# Installs the programs, the desktop entry, icons, metainfo and file types.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)
