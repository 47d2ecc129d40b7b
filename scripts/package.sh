#!/usr/bin/env bash
# Builds the Debian package with CPack into ${BUILD_DIR:-build-package}/packages, checks it with
# lintian and prints its path. Installs what is missing first. Extra arguments go to cmake's
# configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
# The build's packages, plus dpkg-dev (dpkg-shlibdeps, dpkg-buildflags), file (CPack's
# dependency step needs it) and lintian.
bash scripts/deps.sh dpkg-dev file lintian
build_dir=${BUILD_DIR:-build-package}
# Debian's compiler and linker flags (optimisation, hardening), as a Debian build uses them;
# all hardening features, immediate binding included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cflags="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  "$@" >/dev/null
# Only what the package holds; the tests and benchmarks are not built.
cmake --build "$build_dir" -j "$(nproc)" --target reelvane_install_files
rm -rf "$build_dir/packages"
cpack --config "$build_dir/CPackConfig.cmake" -B "$build_dir/packages"
deb=$(find "$build_dir/packages" -maxdepth 1 -name 'reelvane_*.deb' -print -quit)
[ -n "$deb" ] || { echo "package.sh: cpack wrote no .deb" >&2; exit 1; }
lintian --fail-on error "$deb"
echo "$deb"
