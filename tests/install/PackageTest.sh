#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a temporary
# root and runs every installed program from there, as a user would after
# installing it: --version, then --simulate on the offscreen platform until
# its main window has painted and it has closed again. The settings must land
# in the configuration folder the test sets through the XDG variables, and
# nothing may be written under the install root. Debian's checker, lintian,
# must find no error and no warning in the package, and the installed example
# programs must load and program into their simulated chips.
#   PackageTest.sh BUILD_DIR PROGRAM...
set -uo pipefail
build=$1; shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # description, then the command
  local what=$1; shift
  if "$@" >"$work/out" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); echo "FAILED: $what"; sed 's/^/  /' "$work/out" | head -40
  fi
}

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"; echo "0 passed, 1 failed"; exit 1
fi
debs=("$work"/pkg/*.deb)
deb=${debs[0]}
root="$work/root"
dpkg-deb -x "$deb" "$root"
echo "package: $(basename "$deb")"
dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ */  depends: /'

# Debian's own checks of the package: no error, no warning. (Run as root,
# lintian says that it would rather not; that line is no finding.)
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
  status=$?
  grep -v 'running with root privileges is not recommended' "$work/lintian" | sed 's/^/  lintian: /'
  check "lintian finds no error or warning" test "$status" -eq 0
else
  check "lintian is installed (./do test installs it)" false
fi
version=$(dpkg-deb -f "$deb" Version)
check "the package version $version is a plain Debian version" \
      bash -c "[[ '$version' =~ ^[0-9]+(\\.[0-9]+)*\$ ]]"
check "the changelog's newest entry is version $version" \
      bash -c "zcat '$root/usr/share/doc/chipsuite/changelog.gz' | head -1 | grep -q '^chipsuite ($version) '"
check "the copyright file names the licence" \
      grep -q '^License: GPL-3+' "$root/usr/share/doc/chipsuite/copyright"

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" HOME="$work/home"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
snapshot() { (cd "$root" && find . -printf '%p %s %T@ %m\n' | sort); }
before=$(snapshot)

for p in "$@"; do
  exe="$root/usr/bin/$p"
  check "$p is installed in bin/" test -x "$exe"
  check "$p --version prints its version" bash -c "'$exe' --version | grep -Eq '[0-9]+\.[0-9]+'"
  check "$p --simulate reaches its main window and closes" \
        timeout 120 "$exe" --simulate --close-when-shown
  check "$p keeps its settings in the user's configuration folder" \
        bash -c "ls -A '$XDG_CONFIG_HOME/$p' | grep -q ."
  check "$p has a desktop entry" desktop-file-validate "$root/usr/share/applications/$p.desktop"
  check "$p has valid AppStream data" \
        appstreamcli validate --no-net "$root/usr/share/metainfo/org.chipsuite.$p.metainfo.xml"
  check "$p has a manual page" test -s "$root/usr/share/man/man1/$p.1.gz"
  check "$p has a licence in its AppStream data" \
        grep -q '<project_license>GPL-3.0-or-later</project_license>' \
        "$root/usr/share/metainfo/org.chipsuite.$p.metainfo.xml"
  check "$p has a scalable icon" test -s "$root/usr/share/icons/hicolor/scalable/apps/$p.svg"
done
check "orvane-box-sim has a manual page" test -s "$root/usr/share/man/man1/orvane-box-sim.1.gz"
check "orvane-cli is installed in bin/" test -x "$root/usr/bin/orvane-cli"
check "orvane-cli has a manual page" test -s "$root/usr/share/man/man1/orvane-cli.1.gz"
check "orvane-cli --help tells its exit statuses" \
      bash -c "'$root/usr/bin/orvane-cli' --help | grep -q '^  4  the port could not be opened'"
if [ -x "$build/bin/rindle-cli" ]; then
  cli="$root/usr/bin/rindle-cli"
  check "rindle-cli is installed in bin/" test -x "$cli"
  check "rindle-cli has a manual page" test -s "$root/usr/share/man/man1/rindle-cli.1.gz"
  check "rindle-cli --help documents its exit statuses" \
        bash -c "'$cli' --help | grep -q '5  refused'"
  check "rindle-cli writes an example into the window's simulated ATmega8" \
        "$cli" -q --simulate --no-delays -p ATmega8 \
        -U "flash:w:$root/usr/share/doc/chipsuite/examples/blink-atmega8.hex"
  check "the simulated chip is kept where the window keeps it" \
        test -s "$XDG_DATA_HOME/rindle/simulated-MEGA8.chip"
fi

# The examples: where the programs look for them, named by their help, and
# taken by the programs' own flows into the simulated chips.
examples="$root/usr/share/doc/chipsuite/examples"
for f in blink-atmega8.hex blink-atmega8.eep blink-attiny13.hex blink-at89s51.hex \
         blink-atmega8.c blink-attiny13.c blink-at89s51.c; do
  check "examples/$f is installed" test -s "$examples/$f"
done
for p in "$@"; do
  check "$p --help names the installed examples" \
        bash -c "'$root/usr/bin/$p' --help | grep -qF '  $examples'"
done
if [ -x "$build/tests/examples_tests" ]; then
  check "the installed examples program into their simulated chips and read back equal" \
        env SUITE_EXAMPLES_DIR="$examples" "$build/tests/examples_tests" \
        --gtest_filter='*Examples*:OrvaneExample.*'
fi
check "orvane-cli --simulate programs the installed example and verifies it" \
      bash -c "'$root/usr/bin/orvane-cli' --simulate --tick 300 -q program '$examples/blink-at89s51.hex' &&
               '$root/usr/bin/orvane-cli' --simulate --tick 300 -q verify '$examples/blink-at89s51.hex'"
check "nothing was written under the install root" test "$before" = "$(snapshot)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
