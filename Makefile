# The two commands of the README: `make run` and `make test`.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
DB_DEFAULT := $(or $(XDG_DATA_HOME),$(HOME)/.local/share)/Dosivant/Dosivant.db

.PHONY: run test build deps configure bench clean

deps:
	bash scripts/install-deps

configure: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	  cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS); \
	fi

build: configure
	cmake --build $(BUILD_DIR) -j2

run: build
	@db="$${DOSIVANT_DB:-$(DB_DEFAULT)}"; \
	if [ ! -f "$$db" ]; then \
	  echo "Creating the sample database at $$db"; \
	  $(BUILD_DIR)/src/dosivant create-database "$$db" --sample || exit 1; \
	fi; \
	$(BUILD_DIR)/src/dosivant --database "$$db"

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf $(BUILD_DIR)
