#!/usr/bin/env bash
# The Debian package as a player gets it: made by CPack from the build tree (as `make
# deb` makes it), unpacked into a scratch root, passed by Debian's own checkers, and the
# game started from it the way its desktop entry says, on a display and window manager
# of its own.
#
#   package_test.sh SOURCE_DIR BUILD_DIR VERSION APP_ID
set -u

usage="usage: package_test.sh SOURCE_DIR BUILD_DIR VERSION APP_ID"
src=${1:?$usage}
build=${2:?$usage}
version=${3:?$usage}
app_id=${4:?$usage}

source "$src/tests/e2e/lib.sh"

# In a folder of this run's own, so that the runs for both hosts can pack at once.
deb=$work/klop_${version}_$(dpkg --print-architecture).deb
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/deb.log" 2>&1 ||
  [ ! -f "$deb" ]; then
  echo "package_test: cpack made no $(basename "$deb")" >&2
  tail -n 40 "$work/deb.log" >&2
  exit 1
fi
root=$work/root
dpkg-deb -x "$deb" "$root"
desktop=$root/usr/share/applications/$app_id.desktop
man_page=$root/usr/share/man/man6/klop.6.gz

# --- What the package holds -----------------------------------------------------------
expected="usr/games/klop
usr/lib/klop/klop-sdl.so
usr/share/applications/$app_id.desktop
usr/share/doc/klop/changelog.gz
usr/share/doc/klop/copyright
usr/share/icons/hicolor/128x128/apps/$app_id.png
usr/share/icons/hicolor/16x16/apps/$app_id.png
usr/share/icons/hicolor/256x256/apps/$app_id.png
usr/share/icons/hicolor/32x32/apps/$app_id.png
usr/share/icons/hicolor/64x64/apps/$app_id.png
usr/share/icons/hicolor/scalable/apps/$app_id.svg
usr/share/man/man6/klop.6.gz
usr/share/metainfo/$app_id.metainfo.xml"
files=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
check "the package holds the program, its SDL module, its desktop files and docs, nothing else" \
  test "$files" = "$(LC_ALL=C sort <<<"$expected")"
# The icons at 32 and up are the game's icon enlarged, pixel for pixel, transparency
# included; 16 is a reduction of its own, so only its size is checked.
icon() { echo "$root/usr/share/icons/hicolor/$1x$1/apps/$app_id.png"; }
icons_are_the_games() {
  local size
  [ "$(identify -format '%wx%h' "$(icon 16)")" = 16x16 ] || return 1
  for size in 32 64 128 256; do
    /usr/bin/convert "$src/res/critter.xpm" -sample "${size}x$size" "$work/icon.png" &&
      [ "$(compare -metric AE "$work/icon.png" "$(icon "$size")" null: 2>&1)" = 0 ] || return 1
  done
}
check "the icons are the game's icon at their sizes" icons_are_the_games

# The package, and the tree it comes from, are the same for both hosts: Debian's checkers
# and the installs run with the X11 host; the SDL run starts the game from the package.
if [ "${KLOP_HOST:-x11}" != sdl ]; then
  # --- Debian's checkers, each with nothing to report ------------------------------------
  # A checker passes when it succeeds and says nothing; what it said is shown otherwise.
  said=$work/said
  told() { [ ! -s "$said" ] || { cat "$said"; return 1; }; }
  silent() { "$@" >"$said" 2>&1; local s=$?; told && [ "$s" = 0 ]; }
  # lintian warns on stderr when run as root, which says nothing about the package.
  lintian_clean() { lintian "$deb" >"$said" 2>/dev/null; local s=$?; told && [ "$s" = 0 ]; }
  # appstreamcli always prints a summary; infos and pedantic notes are fine.
  appstream_clean() {
    local s
    appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$app_id.metainfo.xml" >"$work/as" 2>&1
    s=$?
    grep -E '^[EW]: ' "$work/as" >"$said"
    told && [ "$s" = 0 ]
  }
  man_clean() { man --warnings -l "$man_page" 2>"$said" >/dev/null; local s=$?; told && [ "$s" = 0 ]; }
  check "lintian: no errors, no warnings" lintian_clean
  check "desktop-file-validate: nothing" silent desktop-file-validate "$desktop"
  check "appstreamcli validate: no errors, no warnings" appstream_clean
  summary=$(sed -n 's|.*<summary>\(.*\)</summary>.*|\1|p' "$root/usr/share/metainfo/$app_id.metainfo.xml")
  check "the AppStream summary ($summary) shows whole in a software centre: 35 characters at most" \
    test -n "$summary" -a "${#summary}" -le 35
  check "hardening-check: all pass" \
    silent hardening-check --quiet "$root/usr/games/klop" "$root/usr/lib/klop/klop-sdl.so"
  # SDL2 and the fifty libraries behind it only for those who use the SDL host.
  field() { dpkg-deb -f "$deb" "$1"; }
  check "Depends names the XCB libraries, not SDL2 ($(field Depends))" \
    eval "field Depends | grep -q libxcb1 && ! field Depends | grep -q libsdl2"
  check "Recommends names SDL2 ($(field Recommends))" eval "field Recommends | grep -q libsdl2"
  check "man --warnings: nothing" man_clean

  # --- Without the package: a plain install and a distribution's configure ---------------
  # A plain install of the same tree has the licences, and not the package's own files.
  DESTDIR=$work/plain cmake --install "$build" --prefix /usr >/dev/null 2>&1
  plain=$(cd "$work/plain/usr/share/doc/klop" 2>/dev/null && ls | tr '\n' ' ')
  check "a plain install's doc folder holds the licences only (got: $plain)" \
    test "$plain" = "COPYRIGHT.fonts LICENSE "
  # Configuring with the tests off needs no GoogleTest and offers no test, bench, demo or
  # fuzz program to build.
  distro_targets() {
    cmake -S "$src" -B "$work/distro" -DBUILD_TESTING=OFF -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
      >"$work/distro.log" 2>&1 &&
      cmake --build "$work/distro" --target help | sed -n 's/^\.\.\. \([^ ]*\).*/\1/p' >"$work/targets"
  }
  check "BUILD_TESTING=OFF configures without GoogleTest" distro_targets
  check "...and has only the program's targets" \
    eval "grep -q '^klop\$' '$work/targets' && ! grep -E '_tests?\$|_fuzz\$|klop-demo|klop-probe|launch_watch|_e2e' '$work/targets'"
fi

# --- The game, started as the desktop entry says ------------------------------------------
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
program=$root/usr/games/$exec_line
check "the entry's Exec ($exec_line) names the packaged program" test -x "$program"
[ -x "$program" ] || finish

start_desktop
start_game "$program"
sleep 0.3

class=$(xprop -id "$wid" WM_CLASS | sed -n 's/.*= ".*", "\(.*\)"$/\1/p')
check "WM_CLASS's class ($class) is the entry's StartupWMClass ($wm_class)" \
  test -n "$wm_class" -a "$class" = "$wm_class"
check "the window's icon is set" eval "xprop -id $wid -f _NET_WM_ICON 32c _NET_WM_ICON | grep -q '= 32, 32, '"

# The time box under the holes, in the client below the menu bar.
read -r _ height < <(client_size "$wid" | tr x ' ')
bar=$((height - 400))
# A failed screenshot fails it: two shots of nothing would differ from one that worked.
time_moves() {
  local a b box="32x22+130+$((252 + bar))"
  a=$(region "$wid" "$box") && sleep 0.45 && b=$(region "$wid" "$box") && [ "$a" != "$b" ]
}
xdo key --clearmodifiers alt+g
wait_for 3 one_popup
xdo key --clearmodifiers n
check "New (Alt+G, N) starts a game: the time counts down" wait_for 5 time_moves

wmctrl -i -c "$wid"
check "closing the window ends the game" wait_for 10 exited "$pid"
reap "$pid"
check "the game exits 0 (got $status)" test "$status" = 0

finish
