#!/usr/bin/env bash
# Builds the Debian package from the build folder (cpack, into a temporary folder), unpacks it
# into an empty folder and runs the programs from there alone: the demo, a send of its
# customers and invoices, and a screenshot of the window. Checks the package's fields and
# files, and lintian and desktop-file-validate where they are installed.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1

if ! command -v dpkg-deb >/dev/null; then
  echo "SKIPPED: dpkg-deb is missing, so no Debian package can be built or unpacked here"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# cpack works in its own folder; from the build folder it only reads.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/cpack/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# Control fields: dependencies found by dpkg-shlibdeps, the description and the section.
# (Each field is read whole before grep looks at it: grep -q leaving a pipe early would make
# dpkg-deb fail on a broken pipe, now and then.)
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vqb ] || fail "Package: $(field Package)"
[ "$(field Section)" = misc ] || fail "Section: $(field Section)"
depends=$(field Depends)
for library in libqt6widgets6 libsqlite3-0 libpugixml1v5 libsodium23 libstdc++6; do
  grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
description=$(field Description)
grep -q "^ The Vantora QuickBooks Integrator moves" <<<"$description" ||
  fail "Description: $description"
maintainer=$(field Maintainer)
grep -q "<.*@.*>" <<<"$maintainer" || fail "Maintainer: $maintainer"

# The files: exactly the installed layout under /usr, nothing of the build tree.
root="$work/root"
mkdir "$root"
dpkg-deb -x "$deb" "$root"
expected="./usr/bin/vqb
./usr/bin/vqb-cli
./usr/share/applications/vqb.desktop
./usr/share/doc/vqb/changelog.gz
./usr/share/doc/vqb/copyright
./usr/share/doc/vqb/manual/index.html
./usr/share/icons/hicolor/scalable/apps/vqb.svg
./usr/share/man/man1/vqb-cli.1.gz
./usr/share/man/man1/vqb.1.gz
./usr/share/vqb/QB_BlankGrid.txt
./usr/share/vqb/local.mdb"
actual=$(cd "$root" && find . -type f | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "files in the package:
$actual
expected:
$expected"
if grep -rlF "$(cd "$build" && pwd -P)" "$root"; then fail "the files above name the build folder"; fi
grep -q "Intuit Inc" "$root/usr/share/doc/vqb/copyright" || fail "copyright lacks Intuit's notice"

# From the unpacked folder alone: a fresh home and settings folder, no build folder.
home="$work/home"
mkdir "$home"
mkdir -m 700 "$work/runtime"
run() {
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=offscreen "$@"
}
cli="$root/usr/bin/vqb-cli"

info=$(run "$cli" --settings "$work/fresh" info 2>/dev/null) || fail "vqb-cli info: $info"
grep -qxF "Program folder:   $root/usr/share/vqb" <<<"$info" ||
  fail "vqb-cli info does not use the installed data folder:
$info"
[ -f "$work/fresh/local.mdb" ] || fail "the settings template was not copied"

demo="$work/demo"
run "$cli" demo "$demo" --customers 8 --invoices 6 --payments 4 --purchase-orders 4 \
  --suppliers 3 >/dev/null || fail "vqb-cli demo"
run "$cli" --settings "$demo" --yes send customers --all --name \
  "Northern Alberta Regional Minor Hockey Association=Northern Alberta Minor Hockey" \
  >"$work/customers.txt" 2>&1 || { cat "$work/customers.txt"; fail "sending the customers"; }
# The demo's company already holds the invoices the demo shows as sent.
before=$(run "$cli" --settings "$demo" qb list invoices | tail -n 1)
# Exit code 1: the demo holds an invoice whose class has no QuickBooks counterpart.
rc=0
run "$cli" --settings "$demo" --yes send invoices --all --create-missing \
  >"$work/invoices.txt" 2>&1 || rc=$?
[ $rc -le 1 ] || { cat "$work/invoices.txt"; fail "sending the invoices: exit code $rc"; }
sent=$(grep -c ": Sent!" "$work/invoices.txt" || true)
in_qb=$(run "$cli" --settings "$demo" qb list invoices | tail -n 1)
echo "invoices sent: $sent of 5; QuickBooks: $before before, $in_qb after"
[ "$sent" -eq 4 ] && [ "${in_qb%% *}" -eq $((${before%% *} + 4)) ] ||
  fail "invoices not in QuickBooks:
$(cat "$work/invoices.txt")"

shot="$work/main.png"
run env VQB_SETTINGS_DIR="$demo" "$root/usr/bin/vqb" --auto-connect --list invoices \
  --screenshot "$shot" >"$work/vqb.txt" 2>&1 || { cat "$work/vqb.txt"; fail "vqb --screenshot"; }
[ "$(head -c 8 "$shot" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "vqb --screenshot wrote no PNG"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/vqb.desktop" || fail "desktop-file-validate"
  echo "desktop-file-validate: no complaints"
else
  echo "desktop-file-validate is not installed: desktop entry not checked"
fi
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 || true
  cat "$work/lintian.txt"
  if grep -q "^E:" "$work/lintian.txt"; then fail "lintian reports errors"; fi
  echo "lintian: no errors"
else
  echo "lintian is not installed: package not checked by it"
fi
