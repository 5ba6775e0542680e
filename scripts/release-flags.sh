# Sourced by scripts/package and scripts/test: Debian's build flags (hardening
# included) in CFLAGS and CXXFLAGS, and in pelmora_release_options the CMake
# options of the build the package is made from. The normal test build uses
# the same, so the tests run what is shipped and, through ccache, the
# package's build reuses its objects.
# Debian's flags; CMake reads no CPPFLAGS, so they join the compiler flags.
# Their optimisation level (-O2) stays: the Release type adds only NDEBUG
# (GCC 12 at -O3 warns wrongly of overlapping copies in string concatenation).
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
pelmora_release_options=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG
    -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG -DCMAKE_INSTALL_PREFIX=/usr)
if command -v ccache >/dev/null; then
    # Paths below the tree and the build directory's name do not count, so
    # two build directories share their objects.
    export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
    pelmora_release_options+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
