#!/usr/bin/env bash
# The installation: `cmake --install` into a scratch prefix puts both programs, the
# desktop entry and its icon, the manual pages (the command line's with every command's
# help, exit table included) and the examples in place, and the installed program runs
# the installed example; the package's dependencies name the libraries loaded at run time.
#   usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
for file in bin/membrane share/man/man1/membrane.1 share/doc/membrane/examples/TEST3.DAT \
            share/doc/membrane/examples/tent.geo; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file"; status=1; }
done
if [ -e "$build/membrane-gui" ]; then
  for file in bin/membrane-gui share/applications/membrane-gui.desktop \
              share/pixmaps/membrane-gui.png share/man/man1/membrane-gui.1; do
    [ -e "$prefix/$file" ] || { echo "not installed: $file"; status=1; }
  done
  grep -q '^Exec=membrane-gui %f$' "$prefix/share/applications/membrane-gui.desktop" ||
    { echo "the desktop entry does not start membrane-gui"; status=1; }
fi
for text in 'SH "MEMBRANE EXPORT"' 'Exit status: 0 every file written' 'Usage: membrane run'; do
  grep -qF "$text" "$prefix/share/man/man1/membrane.1" ||
    { echo "membrane.1 lacks: $text"; status=1; }
done
# The Debian package names what the program loads at run time: Gmsh and, where the build has
# the multigrid solver, hypre.
if grep -q 'MEMBRANE_HYPRE_LIBRARY' "$build/compile_commands.json" 2>/dev/null; then
  grep -q 'CPACK_DEBIAN_PACKAGE_DEPENDS ".*libhypre' "$build/CPackConfig.cmake" ||
    { echo "the package does not depend on hypre's runtime"; status=1; }
fi
work=$(mktemp -d)
cp "$prefix/share/doc/membrane/examples/TEST3.DAT" "$work/"
"$prefix/bin/membrane" run -q "$work/TEST3.DAT" || { echo "the installed example does not run"; status=1; }
rm -rf "$work"
exit $status
