#!/usr/bin/env bash
# Builds the Debian source and binary packages from a clean copy of the tree into build-deb/ (or the
# folder given as $1), checks them with lintian and the package's file list, and runs the
# autopkgtests on the installed package. Ends with one line "package: N passed, 0 failed".
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build-deb}
sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"

version=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)
arch=$(dpkg-architecture -q DEB_HOST_ARCH)
src="$out/helixcavern-$version"
rm -rf "$out"
mkdir -p "$src"

echo "== Package: a clean copy of the tree in $src"
# The files git knows and the new ones it does not ignore (no build folders); without git, the
# tree less its build folders.
if git -C "$top" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$top" && git ls-files -z --cached --others --exclude-standard) |
    tar -C "$top" --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -C "$src" -xf -
else
  tar -C "$top" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$src" -xf -
fi

echo "== Package: Build-Depends"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq --no-install-recommends "$src" >/dev/null

echo "== Package: dpkg-buildpackage (source and binary)"
(cd "$src" && DEB_BUILD_OPTIONS="parallel=2 ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -us -uc >"$out/build.log" 2>&1) ||
  { tail -n 30 "$out/build.log" | cut -c1-300; echo "dpkg-buildpackage failed; the whole log is $out/build.log" >&2; exit 1; }
(cd "$src" && debian/rules clean >/dev/null)
deb="$out/helixcavern_${version}_${arch}.deb"
changes="$out/helixcavern_${version}_${arch}.changes"
ls "$out"/*.dsc "$deb" "$changes"
checks=0

echo "== Package: lintian --pedantic on $(basename "$changes") (the .dsc and the .deb)"
lintian --pedantic -I -E --fail-on error,warning "$changes" | tee "$out/lintian.log"
echo "lintian: no error and no warning ($(wc -l <"$out/lintian.log") tags of lower severity listed above)"
checks=$((checks + 1))

echo "== Package: the files in the .deb"
# The install layout's list, plus the documentation every Debian package carries.
expected=$( (cat "$top/tests/packaging/installed-files.txt"
             printf '%s\n' usr/share/doc/helixcavern/changelog.gz usr/share/doc/helixcavern/copyright) | sort)
listed=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -n 's|^\./||; /[^/]$/p' | sort)
if [ "$listed" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$listed") || true
  echo "the .deb holds other files than the install layout (< expected, > in the package)" >&2
  exit 1
fi
link=$(dpkg-deb --fsys-tarfile "$deb" | tar -tv | sed -n 's|.* \./usr/libexec/xscreensaver/helixcavern -> ||p')
[ "$link" = "../../bin/helixcavern" ] || { echo "the hack link points to '$link'" >&2; exit 1; }
echo "files: $(echo "$listed" | wc -l) as expected, hack link relative"
checks=$((checks + 1))

echo "== Package: autopkgtest on the installed package"
summary="$out/autopkgtest-summary"
status=0
$sudo env DEBIAN_FRONTEND=noninteractive autopkgtest --summary-file="$summary" --output-dir="$out/autopkgtest" \
  "$deb" "$src" -- null >"$out/autopkgtest.log" 2>&1 || status=$?
cat "$summary"
if [ "$status" -ne 0 ] || grep -qv ' PASS' "$summary"; then
  tail -n 60 "$out/autopkgtest.log"
  echo "autopkgtest ended with status $status; its log is $out/autopkgtest.log" >&2
  exit 1
fi
passed=$(grep -c ' PASS' "$summary")
echo "autopkgtest: $passed tests passed"

echo "lintian, the file list and $passed autopkgtests"
echo "package: $((checks + passed)) passed, 0 failed"
