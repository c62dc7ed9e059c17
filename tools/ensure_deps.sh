#!/bin/sh
# Makes sure the build tools are present; installs them from Debian's packages
# when we may (as root), otherwise says in one line what to install.
#   tools/ensure_deps.sh          the compiler, CMake, Ninja, GoogleTest, groff and python3
#   tools/ensure_deps.sh web      also emscripten, chromium, node and the page's npm packages
#   tools/ensure_deps.sh full     all of the above, and clang with its sanitizer and fuzzer runtimes
missing=""
web_missing=""
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v ninja >/dev/null 2>&1 || missing="$missing ninja-build"
command -v c++ >/dev/null 2>&1 || missing="$missing g++"
[ -f /usr/include/gtest/gtest.h ] || missing="$missing libgtest-dev"
command -v groff >/dev/null 2>&1 || missing="$missing groff-base"
command -v python3 >/dev/null 2>&1 || missing="$missing python3"
if [ "${1:-}" = full ]; then
    command -v clang++ >/dev/null 2>&1 || missing="$missing clang"
    ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
        missing="$missing libclang-rt-dev"
fi
if [ "${1:-}" = full ] || [ "${1:-}" = web ]; then
    command -v emcc >/dev/null 2>&1 || web_missing="$web_missing emscripten"
    [ -x /usr/bin/chromium ] || web_missing="$web_missing chromium"
    command -v node >/dev/null 2>&1 || web_missing="$web_missing nodejs npm"
fi
if [ -n "$missing$web_missing" ]; then
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "Installing:$missing$web_missing"
        apt-get update -qq || exit 1
        if [ -n "$missing" ]; then
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing || exit 1
        fi
        # The browser and emscripten recommend some 150 packages the build never uses.
        if [ -n "$web_missing" ]; then
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
                $web_missing || exit 1
        fi
    else
        echo "Please install:$missing$web_missing (for example: sudo apt-get install$missing$web_missing)" >&2
        exit 1
    fi
fi
# The page's zip library and the browser tests' driver, exactly as locked.
if [ "${1:-}" = full ] || [ "${1:-}" = web ]; then
    web="$(dirname "$0")/../web"
    if [ ! -f "$web/node_modules/.package-lock.json" ] ||
        [ "$web/package-lock.json" -nt "$web/node_modules/.package-lock.json" ]; then
        (cd "$web" && npm ci --no-audit --no-fund --loglevel=error) || exit 1
    fi
fi
exit 0
