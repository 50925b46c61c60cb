# Which Wine prefix each Windows test stage uses, sourced with the stage's architecture:
#   . wine_env.sh win32|win64
# The 32-bit stage takes WINEPREFIX as given (by default ~/.wine). The 64-bit stage takes a
# prefix of its own, TESSARO_WINE64_PREFIX, by default the same path with "-x64" appended: a
# 32-bit prefix cannot run 64-bit programs, and a prefix's architecture is fixed when it is made.
# Exports WINEPREFIX (and TESSARO_WINE64_PREFIX, so that nested calls keep the same prefix).
wine_base=${WINEPREFIX:-$HOME/.wine}
case "$1" in
  win32) WINEPREFIX=$wine_base ;;
  win64)
    : "${TESSARO_WINE64_PREFIX:=${wine_base%/}-x64}"
    export TESSARO_WINE64_PREFIX
    WINEPREFIX=$TESSARO_WINE64_PREFIX ;;
  *) echo "wine_env.sh: architecture win32 or win64, not '$1'" >&2; exit 2 ;;
esac
export WINEPREFIX
unset wine_base

# The command that runs a program of the stage's architecture. 64-bit programs go to Wine's
# 64-bit loader itself, which needs nothing 32-bit from the machine; 32-bit ones to the wine
# command. A machine whose kernel runs no 32-bit programs (its 32-bit emulation is off) cannot
# run the 32-bit stage at all: wine_runs says so.
if [ "$1" = win64 ] && [ -x /usr/lib/wine/wine64 ]; then
  wine_loader=(/usr/lib/wine/wine64)
  export WINELOADER=/usr/lib/wine/wine64
else
  wine_loader=(wine)
fi
wine_runs() { "${wine_loader[@]}" --version >/dev/null 2>&1; }
# What the tests of a stage that cannot run exit with: ctest counts them as skipped.
wine_skip_status=77
