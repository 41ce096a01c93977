#!/usr/bin/env bash
# An installation as a user gets it, in two forms: `cmake --install --prefix` into a scratch folder,
# and the Debian package (`make package`) unpacked into a scratch root. From each: no installed
# binary carries a path of the build tree, the libraries have our own versioned names, the program
# splits, and an operator-script wizard run registers the installed component and writes its tree.
#   test_install.sh BUILD_DIR prefix|package
set -euo pipefail
build=$(cd "$1" && pwd)
form=$2
work=$(mktemp -d /tmp/tessel-install.XXXXXX)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Checks the installation under ROOT whose prefix is PREFIX (the prefix it runs from is ROOT/PREFIX).
check_installation() {
  local root=$1 prefix=$2
  local top=$root$prefix
  local bin=$top/bin/tessel
  [ -x "$bin" ] || fail "no $bin"

  # Every ELF file: a RUNPATH relative to itself, no path of the build tree anywhere in it.
  local elf_count=0 file
  while IFS= read -r -d '' file; do
    [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
    elf_count=$((elf_count + 1))
    local runpath
    runpath=$(readelf -d "$file" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
    case $runpath in
    '$ORIGIN' | '$ORIGIN/'*) ;;
    *) fail "$file: RUNPATH '$runpath' is not relative to the file" ;;
    esac
    if readelf -d "$file" | grep -q "$build"; then
      fail "$file names the build tree in its dynamic section"
    fi
    if readelf -d "$file" | grep -Eq 'NEEDED.*(libQt6Test|libgtest|libgmock|libbenchmark)'; then
      fail "$file needs a test library at run time"
    fi
  done < <(find "$top" -type f -print0)
  [ "$elf_count" -ge 5 ] || fail "only $elf_count binaries installed"

  # The libraries: project names with a SONAME version, in a private folder.
  local lib
  for lib in automation dataaccess ui; do
    local found
    found=$(find "$top/lib" -name "libtessel-$lib.so.[0-9]" | head -1)
    [ -n "$found" ] || fail "no libtessel-$lib.so.N under $top/lib"
    readelf -d "$found" | grep -q "(SONAME).*\[libtessel-$lib.so.[0-9]\]" || fail "$found has no versioned SONAME"
  done
  if find "$top/lib" -name 'libautomation.so*' -o -name 'libdataaccess.so*' | grep -q .; then
    fail "a library with a generic name is installed"
  fi
  find "$top/lib" -path '*/tessel/libtessel.so' | grep -q . || fail "no component in a private library folder"
  [ -f "$top/share/man/man1/tessel.1.gz" ] || fail "no manual page"
  [ -f "$top/share/bash-completion/completions/tessel" ] || fail "no bash completion"
  [ -f "$top/share/doc/tessel/README.md" ] || fail "no README"
  grep -q "WTFPL" "$top/share/doc/tessel/copyright" || fail "no licence of the division data in the copyright file"
  zcat "$top/share/doc/tessel/changelog.gz" | head -1 | grep -q "^tessel (" || fail "no changelog"
  ls "$top/share/tessel/schema/"*.sql > /dev/null || fail "no schemas"
  zcat "$top/share/man/man1/tessel.1.gz" | grep -q '^\.SS "split' || fail "the manual page tells nothing of split"

  # The program, run from there, with no trace of the build tree in its environment.
  local run=$work/run-$form
  mkdir -p "$run"
  cd "$run"
  export TESSEL_REGISTRY=$run/registry XDG_RUNTIME_DIR=$run/runtime QT_QPA_PLATFORM=offscreen
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  unset LD_LIBRARY_PATH

  "$bin" --version | grep -qx "tessel [0-9.]*" || fail "tessel --version"
  # It runs the component installed beside it, whatever the registry holds.
  "$bin" --version | grep -q "^component that runs: $(cd "$top" && pwd -P)/lib/.*tessel/libtessel.so" ||
    fail "tessel --version does not name the installed component: $("$bin" --version)"
  local split
  split=$(printf '3栋2单元501室\n' | "$bin" split --pattern=栋/元/室)
  [ "$split" = $'0\t3栋\t2单元\t501室' ] || fail "tessel split printed '$split'"

  "$bin" init-db sqlite:demo.db --demo > /dev/null || fail "tessel init-db"
  cat > finish.script <<'SCRIPT'
type 5000 阳光花园
click 4
click 4
type 5000 栋
type 5001 元
type 5002 室
click 4
click 4
click 4
click 4
SCRIPT
  local wizard cell
  wizard=$("$bin" wizard sqlite:demo.db --script finish.script) || fail "tessel wizard: $wizard"
  cell=$("$bin" sql sqlite:demo.db "select id from addr where name='阳光花园' and grade=7")
  [ "$wizard" = $'result: 1\nid: '"$cell" ] || fail "tessel wizard printed '$wizard'"
  [ "$("$bin" sql sqlite:demo.db "select count(*) from addr where grade=8 and parentid=$cell")" -gt 0 ] ||
    fail "the wizard wrote no buildings"
  # The registry names the installed component, found beside the installed libraries.
  grep -q "$top/lib/.*tessel/libtessel.so" "$TESSEL_REGISTRY" || fail "the registry does not name the installed component"
  if grep -q "$build" "$TESSEL_REGISTRY"; then
    fail "the registry names the build tree"
  fi
  cd "$work"
}

case $form in
prefix)
  cmake --install "$build" --prefix "$work/prefix" > /dev/null
  check_installation "$work/prefix" ""
  ;;
package)
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" > "$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
  deb=$(ls "$work/package"/tessel_*.deb)
  # Every dependency is a Debian package (all of them installed here, where the program runs).
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "$depends" | grep -q 'libqt6widgets6' || fail "Depends '$depends' has no Qt Widgets"
  for package in $(echo "$depends" | tr ',|' '\n\n' | sed 's/(.*)//; s/ //g; /^$/d'); do
    dpkg-query -W "$package" > /dev/null 2>&1 || fail "the dependency $package is no installed Debian package"
  done
  # Debian's checks: no error and no warning (informational notes aside).
  lintian --fail-on error,warning "$deb" > "$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian reports errors or warnings"; }
  # The package holds nothing from the build tree, not even in its stripped binaries.
  dpkg-deb -x "$deb" "$work/root"
  if grep -rl "$build" "$work/root" ; then
    fail "files of the package name the build tree"
  fi
  check_installation "$work/root" /usr
  echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes, Depends: $depends"
  ;;
*)
  fail "unknown form $form"
  ;;
esac
echo "ok: $form"
