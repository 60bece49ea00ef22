# The two commands of the README: `make run` and `make test`.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
DB_DEFAULT := $(or $(XDG_DATA_HOME),$(HOME)/.local/share)/Dosivant/Dosivant.db

.PHONY: run test build deps configure bench screenshots package clean

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

# Every view on a fresh sample database in a temporary folder, offscreen, into docs/screenshots/.
# HOME and the XDG folders point into the temporary folder, so nothing of the user's changes.
screenshots: build
	@tmp=$$(mktemp -d); trap 'rm -rf "$$tmp"' EXIT; \
	$(BUILD_DIR)/src/dosivant create-database "$$tmp/tour.db" --sample >/dev/null && \
	HOME="$$tmp" XDG_CONFIG_HOME="$$tmp/config" XDG_DATA_HOME="$$tmp/data" \
	XDG_RUNTIME_DIR="$$tmp/runtime" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
	$(BUILD_DIR)/tools/screenshots/dosivant_screenshots --database "$$tmp/tour.db" --out docs/screenshots

# A Debian package of the installed program, in the build folder.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR)
