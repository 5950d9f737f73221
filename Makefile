# Sylvadra: `make run` runs the saver, `make test` runs every test of both
# toolchains. Both install the Debian packages they need when missing.
BUILD    ?= build
WINBUILD ?= build-win
# The Linux build with AddressSanitizer and UndefinedBehaviorSanitizer: the
# core, the unit tests and the program only, for make test's last pass.
ASANBUILD ?= build-asan
JOBS     ?= $(shell nproc)

# What the Linux program needs to build and run (make run), and what only
# the tests need on top (make test): the Windows cross build and Wine, the X
# and Wayland servers the end-to-end tests start, the test tools.
RUN_PACKAGES  = cmake ninja-build g++ pkg-config libglib2.0-dev libsdl2-dev libx11-dev libxext-dev libxrandr-dev \
                libgtk-3-dev libstb-dev libwayland-dev wayland-protocols libwayland-bin
TEST_PACKAGES = googletest libgtest-dev libbenchmark-dev libglib2.0-bin dbus-daemon \
                g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev wine64 \
                xvfb xauth xdotool x11-utils imagemagick clang clang-format util-linux valgrind faketime netcat-openbsd \
                xscreensaver xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils libxml2-utils dpkg-dev desktop-file-utils \
                gsettings-desktop-schemas systemd weston sway wtype grim python3-gi nsis python3-yaml python3-pefile

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps test-deps format-check configure native native-tests windows sanitized run test bench package clean

all: native windows

# Installs the packages of $(1) that are missing.
install_missing = missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

deps:
	@$(call install_missing,$(RUN_PACKAGES))

test-deps: deps
	@$(call install_missing,$(TEST_PACKAGES))

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja

$(WINBUILD)/build.ninja: | test-deps
	cmake -S . -B $(WINBUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

native: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

windows: test-deps $(WINBUILD)/build.ninja
	cmake --build $(WINBUILD) -j $(JOBS)

SANITIZE = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -Wno-maybe-uninitialized
$(ASANBUILD)/build.ninja: | test-deps
	cmake -S . -B $(ASANBUILD) -G Ninja "-DCMAKE_CXX_FLAGS=$(SANITIZE)" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" \
	  "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"

sanitized: test-deps $(ASANBUILD)/build.ninja
	cmake --build $(ASANBUILD) -j $(JOBS) --target sylvadra sylvadra_tests sylvadra_xhost

# Every leak, overflow or undefined behaviour is an error that ends the
# program with a report; leaks inside the window system's libraries are
# suppressed (tests/sanitizer/lsan.supp). The end-to-end scripts collect the
# reports of every program they start (tests/e2e/lib.bash) and give the
# slower programs five times as long (E2E_TIME_SCALE). Two libraries whose
# leaks cannot be named are kept out: SDL is asked for the plain X11 window
# framebuffer (the GL one loads Mesa's software driver, which is unloaded
# before the leak check), and GTK for no accessibility bridge.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:check_initialization_order=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  SDL_FRAMEBUFFER_ACCELERATION=0 NO_AT_BRIDGE=1 E2E_TIME_SCALE=5

run: native
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/src/backends/sylvadra /S; \
	else \
	  $(BUILD)/src/backends/sylvadra --render $(BUILD)/landscape.png --size 1920x1080 && \
	  echo "No display: rendered a landscape to $(BUILD)/landscape.png"; \
	fi

# The native build is configured again once the test packages are there:
# without GoogleTest (make run alone) it builds the program only.
native-tests: test-deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD) -j $(JOBS)

# The code's format (.clang-format) is checked first: a change that
# breaks it fails make test, and so CI.
FORMATTED = $(shell find src tests tools packaging -name '*.cpp' -o -name '*.h')
format-check: test-deps
	@clang-format --dry-run -Werror $(FORMATTED) && echo "format: $(words $(FORMATTED)) files as .clang-format describes"

test: format-check native-tests windows sanitized
	xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest --test-dir $(WINBUILD) --output-on-failure -j 2
	ctest --test-dir $(BUILD) --output-on-failure -j 2
	$(SANITIZER_ENV) ctest --test-dir $(ASANBUILD) --output-on-failure -j 2 -R '\.|^e2e_'

bench: native-tests
	$(BUILD)/tests/sylvadra_bench

# The Debian package $(BUILD)/sylvadra_*.deb and the Windows
# $(WINBUILD)/Sylvadra-*-win64.zip, both made by CPack, and the Windows
# installer $(WINBUILD)/Sylvadra-*-setup.exe (NSIS) with its winget
# manifests in $(WINBUILD)/winget/. The Windows build is configured again
# first, so that it finds makensis when it came after its first configure.
package: native-tests windows
	cmake --build $(BUILD) --target package
	cmake -S . -B $(WINBUILD)
	cmake --build $(WINBUILD) --target package installer

clean:
	rm -rf $(BUILD) $(WINBUILD) $(ASANBUILD)
