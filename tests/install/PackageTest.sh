#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a temporary
# root and runs every installed program from there, as a user would after
# installing it: --version, then --simulate on the offscreen platform until
# its main window has painted and it has closed again. The settings must land
# in the configuration folder the test sets through the XDG variables, and
# nothing may be written under the install root.
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
root="$work/root"
dpkg-deb -x "${debs[0]}" "$root"
echo "package: $(basename "${debs[0]}")"
dpkg-deb -f "${debs[0]}" Depends | tr ',' '\n' | sed 's/^ */  depends: /'

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
  check "$p has a manual page" test -s "$root/usr/share/man/man1/$p.1"
  check "$p has a scalable icon" test -s "$root/usr/share/icons/hicolor/scalable/apps/$p.svg"
done
check "nothing was written under the install root" test "$before" = "$(snapshot)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
