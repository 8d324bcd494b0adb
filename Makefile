# Thin wrapper around CMake: `make run` and `make test` do all set-up.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test bench demo clean

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/src/marrowdale

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j $(JOBS)

bench: build
	./$(BUILD)/bench/bench_startup
	./$(BUILD)/bench/bench_classify
	python3 bench/ratios.py $(BUILD)
	python3 bench/suggest.py $(BUILD)

# A fresh pile of saved pages in demo/ and the program started on it (DEMO_LANGUAGE=Japanese for
# the Japanese texts).
demo: build
	BUILD="$(BUILD)" DEMO_LANGUAGE="$(DEMO_LANGUAGE)" ./scripts/make-demo.sh

clean:
	rm -rf $(BUILD)
