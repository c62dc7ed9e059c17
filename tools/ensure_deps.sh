#!/bin/sh
# Makes sure the build tools are present; installs them from Debian's packages
# when we may (as root), otherwise says in one line what to install.
#   tools/ensure_deps.sh          the compiler, CMake, Ninja, GoogleTest, groff and python3
#   tools/ensure_deps.sh full     also clang with its sanitizer and fuzzer runtimes
missing=""
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
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
    echo "Installing:$missing"
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing
else
    echo "Please install:$missing (for example: sudo apt-get install$missing)" >&2
    exit 1
fi
