#!/usr/bin/env bash
# The README's pictures and the AppStream screenshots are the same set: each
# program's main window and one of its dialogs, kept in docs/ as PNG files
# (made by ./do screenshots).
#   ReadmePicturesTest.sh SOURCE_DIR
set -uo pipefail
src=$1
failed=0
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }

readme_images=$(grep -o '](docs/[^)]*\.png)' "$src/README.md" | sed 's/^](docs\///; s/)$//' | sort -u)
[ -n "$readme_images" ] || fail "the README shows no picture from docs/"
for image in $readme_images; do
  file "$src/docs/$image" | grep -q 'PNG image data' || fail "docs/$image is no PNG picture"
done
for p in orvane rindle tollen; do
  mine=$(grep "^$p-" <<<"$readme_images")
  grep -qx "$p-main.png" <<<"$mine" || fail "the README shows no main window of $p"
  [ "$(grep -cvx "$p-main.png" <<<"$mine")" -ge 1 ] || fail "the README shows no dialog of $p"
  listed=$(grep -o '<image>[^<]*</image>' "$src/data/desktop/org.chipsuite.$p.metainfo.xml" |
           sed 's/<[^>]*>//g; s/.*\///' | sort -u)
  [ "$listed" = "$mine" ] ||
    fail "AppStream lists $(echo $listed) for $p, the README shows $(echo $mine)"
done
if [ "$failed" -eq 0 ]; then echo "README pictures and AppStream screenshots agree"; fi
[ "$failed" -eq 0 ]
