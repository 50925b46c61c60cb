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
