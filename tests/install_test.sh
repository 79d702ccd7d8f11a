#!/usr/bin/env bash
# Installs the build into a temporary prefix, solves an installed example
# with the installed hsolve_flat, and renders the installed manual page
# under both names without a single warning.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/hsolve_rows bin/hsolve_flat share/man/man1/hsolve_rows.1 share/man/man1/hsolve_flat.1 \
         share/doc/hsolve/README.md share/doc/hsolve/examples/input.txt; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done

work="$prefix/run"
mkdir "$work"
cp "$prefix/share/doc/hsolve/examples/three.txt" "$work/"
console=$(cd "$work" && "$prefix/bin/hsolve_flat" three.txt solution.txt)
[ "$console" = "Program was finished successfully!" ] || { echo "console: $console"; exit 1; }
[ "$(cat "$work/solution.txt")" = $'2\n3\n-1' ] || { echo "solution:"; cat "$work/solution.txt"; exit 1; }

if ! command -v groff >/dev/null; then
  echo "groff is not installed: the manual page was not rendered"
  exit 77
fi
for name in hsolve_rows hsolve_flat; do
  warnings=$(cd "$prefix/share/man" && groff -man -ww -z "man1/$name.1" 2>&1)
  [ -z "$warnings" ] || { echo "$name.1: $warnings"; exit 1; }
  text=$(cd "$prefix/share/man" && groff -man -Tascii -P-cbou "man1/$name.1" 2>/dev/null)
  grep -q 'EXIT STATUS' <<<"$text" || { echo "$name.1 rendered without its sections"; exit 1; }
done
echo "installed, solved three.txt, manual page renders cleanly"
