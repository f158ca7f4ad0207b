#!/usr/bin/env bash
# Builds the static Windows libraries that Tessaro's mingw-w64 cross-build links, from Debian's
# source packages (Debian's patches included), for one architecture:
#
#   scripts/windows-deps.sh ARCH                 builds what is missing, then prints the prefix
#   scripts/windows-deps.sh --print-prefix ARCH  prints the prefix of a finished build (exit
#                                                status 1 if there is none); builds nothing
#
# ARCH is x86_64 or i686. The prefix is the only line written to standard output (progress goes
# to standard error), so -DTESSARO_WINDOWS_DEPS="$(scripts/windows-deps.sh x86_64)" works.
#
# The prefix lives outside the clone: ${TESSARO_DEPS_CACHE:-~/.cache/tessaro/windows-deps}/ARCH-KEY,
# where KEY is a hash of everything the libraries are made from (written to manifest.txt in the
# prefix): the version of each source package that apt fetches, the versions of the cross
# toolchain's packages, and the contents of this script and of the toolchain files it builds
# with. A change to any of them gives a new prefix; otherwise the existing one is reused at no
# cost. Each build happens in a scratch folder beside the prefix and is renamed into place only
# once complete, with the stamp file .complete written last, so an interrupted build never leaves
# a prefix that looks finished. Each library's output goes to logs/ARCH-KEY/NAME.log in the
# cache; when a step fails, the tail of its log is shown.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
self="$repo/scripts/windows-deps.sh"

print_only=""
if [ "${1:-}" = "--print-prefix" ]; then
  print_only=1
  shift
fi
arch="${1:-}"
case "$arch" in
  x86_64) arch_pkg=x86-64 ;;
  i686) arch_pkg=i686 ;;
  *)
    echo "usage: scripts/windows-deps.sh [--print-prefix] x86_64|i686" >&2
    exit 2
    ;;
esac
triple="$arch-w64-mingw32"
toolchain_files=("$repo/cmake/mingw-common.cmake" "$repo/cmake/mingw-$arch.cmake")

note() { echo "windows-deps: $*" >&2; }

bash "$repo/scripts/setup-windows.sh" >&2

# The source packages, in build order (each one only needs those before it).
sources=(xz-utils freetype libarchive libjpeg-turbo qpdf libjsoncpp libsodium googletest)

# --- The key -------------------------------------------------------------------------------------
# apt names each source package's control file NAME_VERSION.dsc: that is the version it fetches.
mapfile -t dscs < <(apt-get source --print-uris -qq "${sources[@]}" |
  sed -n "s/^'[^']*' \([^ ]*\.dsc\) .*/\1/p")
if [ ${#dscs[@]} -ne ${#sources[@]} ]; then
  note "apt knows the source packages ${dscs[*]:-(none)}; expected ${sources[*]}"
  exit 1
fi
manifest="$(
  echo "arch $arch"
  for f in "$self" "${toolchain_files[@]}"; do
    echo "file ${f#"$repo"/} $(sha256sum <"$f" | cut -d' ' -f1)"
  done
  printf 'source %s\n' "${dscs[@]}"
  dpkg-query -W -f='package ${Package} ${Version}\n' \
    "g++-mingw-w64-$arch_pkg-posix" "gcc-mingw-w64-$arch_pkg-posix" "mingw-w64-$arch_pkg-dev" \
    "binutils-mingw-w64-$arch_pkg" libz-mingw-w64-dev cmake autoconf automake libtool
)"
key="$(sha256sum <<<"$manifest" | cut -c1-12)"
cache="$(realpath -m "${TESSARO_DEPS_CACHE:-$HOME/.cache/tessaro/windows-deps}")"
prefix="$cache/$arch-$key"

if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
if [ -n "$print_only" ]; then
  note "no finished build for $arch at $prefix: run scripts/windows-deps.sh $arch"
  exit 1
fi

# --- One build at a time -------------------------------------------------------------------------
# Each build uses both cores and the downloaded sources are shared: builds for the two
# architectures, or from two clones, take turns.
mkdir -p "$cache/sources"
exec 9>"$cache/.lock"
if ! flock -n 9; then
  note "waiting for another windows-deps build in $cache to finish"
  flock 9
fi
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
# Holding the lock, whatever scratch or unfinished folders exist come from builds that were cut
# off.
rm -rf "$cache/.build-"* "$prefix"

work="$(mktemp -d "$cache/.build-$arch-XXXXXX")"
trap 'rm -rf "$work"' EXIT
# The libraries are installed into $stage while they are built, and the paths in their .pc and
# CMake files are rewritten to $prefix once all are there.
stage="$work/prefix"
mkdir -p "$stage/lib/pkgconfig" "$work/src" "$work/build"
logs="$cache/logs/$arch-$key"
rm -rf "$logs"
mkdir -p "$logs"
jobs=2
# Debian's optimisation level for its packages; CMake's Release default -O3 compiles slower.
release_flags="-O2 -DNDEBUG"

# run_step NAME FUNCTION: runs FUNCTION with its output in NAME.log; on failure shows the tail.
run_step() {
  local name="$1" function="$2" started=$SECONDS status
  note "$arch: $name"
  set +e
  (
    # The trace in the log shows each command with the script's running time.
    PS4='+ [${SECONDS} s] '
    set -e -x
    "$function"
  ) >>"$logs/$name.log" 2>&1
  status=$?
  set -e
  if [ $status -ne 0 ]; then
    note "$arch: $name failed; the end of $logs/$name.log:"
    tail -n 40 "$logs/$name.log" >&2
    exit 1
  fi
  note "$arch: $name done in $((SECONDS - started)) s"
}

# replace FILE OLD NEW: replaces the fixed text OLD; fails unless OLD or NEW is in FILE, so that a
# new upstream version that changed the text is noticed instead of built wrong.
replace() {
  local file="$1" old="$2" new="$3"
  if grep -qF -- "$old" "$file"; then
    OLD="$old" NEW="$new" perl -0pi -e 's/\Q$ENV{OLD}\E/$ENV{NEW}/g' "$file"
  elif ! grep -qF -- "$new" "$file"; then
    echo "neither '$old' nor '$new' found in $file" >&2
    return 1
  fi
}

# cmake_lib NAME [CMAKE ARGS...]: configures $work/src/NAME into $work/build/NAME with the
# project's own toolchain file, so the libraries and the project use the same compilers, flags
# and search roots. Without the toolchain's emulator: a configure check never starts Wine (which
# would create or touch the user's own Wine prefix); checks that need to run a program are
# given their answer instead.
cmake_lib() {
  local name="$1"
  shift
  cmake -S "$work/src/$name" -B "$work/build/$name" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-$arch.cmake" -DTESSARO_WINDOWS_DEPS="$stage" \
    -DCMAKE_CROSSCOMPILING_EMULATOR= \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$release_flags" \
    -DCMAKE_CXX_FLAGS_RELEASE="$release_flags" -DCMAKE_INSTALL_PREFIX="$stage" "$@"
}

fetch_sources() {
  # Files already downloaded with the right checksum are kept, so a rebuild downloads nothing.
  (cd "$cache/sources" && apt-get source --download-only -q "${sources[@]}")
  local i
  for i in "${!sources[@]}"; do
    dpkg-source -x --no-copy "$cache/sources/${dscs[$i]}" "$work/src/${sources[$i]}"
  done
}

build_xz_utils() {
  cmake_lib xz-utils -DBUILD_SHARED_LIBS=OFF
  cmake --build "$work/build/xz-utils" -j$jobs --target liblzma
  cmake --install "$work/build/xz-utils" --component liblzma_Development
}

build_freetype() {
  cmake_lib freetype -DBUILD_SHARED_LIBS=OFF -DFT_REQUIRE_ZLIB=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_BZIP2=ON
  cmake --build "$work/build/freetype" -j$jobs
  cmake --install "$work/build/freetype"
}

build_libarchive() {
  local src="$work/src/libarchive" build="$work/build/libarchive"
  # The Windows SDK spells the header and library Bcrypt; mingw-w64 ships bcrypt.h and
  # libbcrypt.a, and on a case-sensitive file system the mixed case finds neither, which turns
  # CNG off without a word (and with it encrypted ZIP support).
  replace "$src/CMakeLists.txt" 'LA_CHECK_INCLUDE_FILE("Bcrypt.h" HAVE_BCRYPT_H)' \
    'LA_CHECK_INCLUDE_FILE("bcrypt.h" HAVE_BCRYPT_H)'
  replace "$src/CMakeLists.txt" 'LIST(APPEND ADDITIONAL_LIBS "Bcrypt")' \
    'LIST(APPEND ADDITIONAL_LIBS "bcrypt")'
  # libarchive runs a program to learn whether zlib was built with ZLIB_WINAPI (stdcall entry
  # points); Debian's mingw-w64 zlib is not, so the program's exit status is nonzero.
  cmake_lib libarchive -DENABLE_ZLIB=ON -DENABLE_LZMA=ON -DENABLE_CNG=ON \
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_LIBB2=OFF \
    -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_ZSTD=OFF -DENABLE_BZip2=OFF -DENABLE_LIBXML2=OFF \
    -DENABLE_EXPAT=OFF -DPOSIX_REGEX_LIB=NONE -DENABLE_ICONV=OFF \
    -DENABLE_XATTR=OFF -DENABLE_ACL=OFF -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF \
    -DENABLE_TEST=OFF -DENABLE_WERROR=OFF -DENABLE_INSTALL=OFF -DZLIB_WINAPI_EXITCODE=1
  local feature
  for feature in HAVE_BCRYPT_H HAVE_ZLIB_H HAVE_LZMA_H; do
    grep -q "^#define $feature 1" "$build/config.h" ||
      { echo "libarchive was configured without $feature" >&2; return 1; }
  done
  # Only the static library is built (the shared one would double the build time), so it is
  # installed by hand, under the name find_library(archive) and -larchive look for.
  cmake --build "$build" -j$jobs --target archive_static
  install -m 644 "$build/libarchive/libarchive_static.a" "$stage/lib/libarchive.a"
  install -m 644 "$src/libarchive/archive.h" "$src/libarchive/archive_entry.h" "$stage/include"
  install -m 644 "$build/build/pkgconfig/libarchive.pc" "$stage/lib/pkgconfig"
  static_cflags "$stage/lib/pkgconfig/libarchive.pc" -DLIBARCHIVE_STATIC
}

build_libjpeg_turbo() {
  # No SIMD: its assembly needs nasm. qpdf calls libjpeg only to decode or recompress JPEG
  # (DCT) image streams, which reading a document's fonts never does.
  cmake_lib libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=OFF
  cmake --build "$work/build/libjpeg-turbo" -j$jobs
  cmake --install "$work/build/libjpeg-turbo"
}

build_qpdf() {
  local src="$work/src/qpdf" build="$work/build/qpdf"
  # Advapi32 (the Windows SDK's spelling) is added to every later configure check; mingw-w64
  # ships libadvapi32.a, so with the mixed case each check fails to link and the build later dies
  # on undeclared standard types.
  replace "$src/CMakeLists.txt" 'list(APPEND CMAKE_REQUIRED_LIBRARIES Advapi32)' \
    'list(APPEND CMAKE_REQUIRED_LIBRARIES advapi32)'
  cmake_lib qpdf -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON \
    -DREQUIRE_CRYPTO_NATIVE=ON -DUSE_IMPLICIT_CRYPTO=OFF \
    -DZLIB_H_PATH="/usr/$triple/include" -DZLIB_LIB_PATH="/usr/$triple/lib/libz.a" \
    -DBUILD_DOC=OFF -DINSTALL_MANUAL=OFF -DINSTALL_EXAMPLES=OFF
  cmake --build "$build" -j$jobs --target libqpdf
  cmake --install "$build" --component dev
  cmake --install "$build" --component Unspecified
  # libqpdf found libjpeg through pkg-config, which gives the bare name "jpeg" and a link folder
  # that the exported target keeps only for qpdf's own build: users would link -ljpeg and fail.
  # Name the library by its path inside the prefix instead.
  local targets="$stage/lib/cmake/qpdf/libqpdfTargets.cmake"
  perl -pi -e 's/(INTERFACE_LINK_LIBRARIES "(?:[^";]*;)*)jpeg(?=[;"])/$1\${_IMPORT_PREFIX}\/lib\/libjpeg.a/' \
    "$targets"
  # shellcheck disable=SC2016 # the text CMake expands, not the shell
  grep -qF '${_IMPORT_PREFIX}/lib/libjpeg.a' "$targets"
}

build_libjsoncpp() {
  cmake_lib libjsoncpp -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
    -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_EXAMPLE=OFF
  cmake --build "$work/build/libjsoncpp" -j$jobs
  cmake --install "$work/build/libjsoncpp"
}

build_libsodium() {
  local src="$work/src/libsodium" build="$work/build/libsodium"
  # Debian's tarball comes without the generated configure script.
  (cd "$src" && autoreconf -fi)
  mkdir -p "$build"
  # No stack protector: it would need libssp's DLL at run time.
  (cd "$build" && "$src/configure" --host="$triple" --prefix="$stage" --disable-shared \
    --disable-ssp CC="$triple-gcc-posix" CFLAGS="$release_flags")
  make -C "$build" -j$jobs
  make -C "$build" install
  rm -f "$stage/lib/libsodium.la"
  static_cflags "$stage/lib/pkgconfig/libsodium.pc" -DSODIUM_STATIC
}

build_googletest() {
  cmake_lib googletest -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  cmake --build "$work/build/googletest" -j$jobs
  cmake --install "$work/build/googletest"
}

# static_cflags PC FLAG: the prefix holds static libraries only, so the definition that the
# headers need for static linking belongs in the Cflags every user gets.
static_cflags() {
  local pc="$1" flag="$2"
  grep -q "^Cflags:.*$flag" "$pc" || sed -i "s/^Cflags:.*/& $flag/" "$pc"
  grep -q "^Cflags:.*$flag" "$pc"
}

finish_prefix() {
  # pkg-config is pointed at the prefix alone: give it Debian's zlib.pc, which freetype2.pc
  # requires.
  install -m 644 "/usr/$triple/lib/pkgconfig/zlib.pc" "$stage/lib/pkgconfig"
  # Programs and manual pages that came with the libraries.
  rm -rf "${stage:?}/bin" "$stage/share/man" "$stage/share/doc"
  local file files
  mapfile -t files < <(grep -rlIF "$stage" "$stage" || true)
  for file in "${files[@]}"; do
    STAGE="$stage" PREFIX="$prefix" perl -pi -e 's/\Q$ENV{STAGE}\E/$ENV{PREFIX}/g' "$file"
  done
  if grep -rlIF "$work" "$stage"; then
    echo "files above still name the scratch folder" >&2
    return 1
  fi
  for file in liblzma libfreetype libarchive libjpeg libqpdf libjsoncpp libsodium libgtest \
    libgtest_main libgmock libgmock_main; do
    test -f "$stage/lib/$file.a"
  done
  for file in liblzma/liblzma-config freetype/freetype-config qpdf/qpdfConfig \
    jsoncpp/jsoncppConfig GTest/GTestConfig; do
    test -f "$stage/lib/cmake/$file.cmake"
  done
}

started=$SECONDS
note "building the $arch libraries into $prefix (logs in $logs)"
run_step sources fetch_sources
for name in "${sources[@]}"; do
  run_step "$name" "build_${name//-/_}"
done
run_step finish finish_prefix
echo "$manifest" >"$stage/manifest.txt"
touch "$stage/.complete"
mv "$stage" "$prefix"
note "$arch: all done in $((SECONDS - started)) s"
echo "$prefix"
