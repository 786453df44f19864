#!/usr/bin/env bash
# Builds the Debian packages (nxfax-driver, nxfax-desktop) from the install rules with CPack in a
# Release build, checks them with lintian (no errors allowed; warnings are listed), and proves
# the driver package: unpacked into a scratch root (dpkg -x), its filter and PPDs serve a private
# print server (scripts/e2e-cupsd.sh) that sends a fax job. The .debs end up in $PACKAGE_OUT
# (default: the build folder).
#
#   PACKAGE_BUILD_DIR  the Release build folder (default build-package; reused when it exists)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${PACKAGE_BUILD_DIR:-build-package}
OUT=${PACKAGE_OUT:-$BUILD}

# Warnings fail the normal build (scripts/build.sh); here GCC 12 at -O3 reports false ones
# inside libstdc++ (-Wrestrict, -Wstringop-overflow).
echo "== Release build in $BUILD"
generator=()
[ -f "$BUILD/CMakeCache.txt" ] || ! command -v ninja >/dev/null || generator=(-G Ninja)
cmake -S . -B "$BUILD" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DNX_BUILD_TESTS=OFF -DNX_WERROR=OFF >/dev/null
cmake --build "$BUILD" -j"$(nproc)"

echo "== Packages"
rm -f "$BUILD"/*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
mkdir -p "$OUT"
[ "$OUT" -ef "$BUILD" ] || cp "$BUILD"/*.deb "$OUT"/
driver=$(ls "$OUT"/nxfax-driver_*.deb)
desktop=$(ls "$OUT"/nxfax-desktop_*.deb)
for deb in "$driver" "$desktop"; do
  echo "-- $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print "   " $6}'
done

# A print server installs no Qt: the desktop programs are all in the other package.
if dpkg-deb -f "$driver" Depends | grep -qi qt; then
  echo "nxfax-driver depends on Qt" >&2
  exit 1
fi

echo "== lintian"
# Errors fail the stage; warnings and notes are listed for the record.
set +e
lintian --tag-display-limit 0 --display-level ">=warning" "$driver" "$desktop" | tee "$BUILD/lintian.txt"
set -e
if grep -q '^E:' "$BUILD/lintian.txt"; then
  echo "lintian reported errors" >&2
  exit 1
fi
echo "lintian: $(grep -c '^E:' "$BUILD/lintian.txt") errors, $(grep -c '^W:' "$BUILD/lintian.txt") warnings"

echo "== The unpacked driver serves a fax queue"
scratch=$(mktemp -d /tmp/nxpackage.XXXXXX)
chmod 0755 "$scratch"
server="$scratch/server"
cleanup() {
  bash "$ROOT/scripts/e2e-cupsd.sh" stop "$server" >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT
dpkg -x "$driver" "$scratch/root"
filter="$scratch/root$(cups-config --serverbin)/filter/jobfilter"
model="$scratch/root$(cups-config --datadir)/model"
NX_CUPSD_FILTER_ENV="NX_DATA_DIR $scratch/root/usr/share/norvalex" \
  bash scripts/e2e-cupsd.sh setup "$server" "$filter" "$model" >/dev/null
NX_CUPSD_LIFETIME=120 bash scripts/e2e-cupsd.sh start "$server"
export CUPS_SERVER="$server/run/cups.sock"
lpinfo -m | grep -F "norvalex/nxfax.ppd Norvalex MFP Fax"
lpinfo -m | grep -F "norvalex/nxfax-client.ppd Norvalex MFP Fax Client"
lpadmin -p fax -E -v "file:$server/out/fax.prn" -m norvalex/nxfax.ppd -o printer-error-policy=abort-job 2>/dev/null
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sPAPERSIZE=a4 -sOutputFile="$scratch/page.pdf" \
  -c "/Helvetica findfont 24 scalefont setfont 72 700 moveto (Package check) show showpage"
lp -d fax -t "Package check" -o phone=0312345678 "$scratch/page.pdf" >/dev/null
for _ in $(seq 1 120); do
  lpstat -W completed -o fax | grep -q "^fax-1 " && break
  sleep 0.5
done
lpstat -W completed -o fax | grep -q "^fax-1 " || { echo "the job did not complete" >&2; lpstat -l -o fax >&2; exit 1; }
header=$(head -c 4096 "$server/out/fax.prn" | tr -d '\r' | sed -n '1,/^@PJL ENTER LANGUAGE=PDF$/p')
grep -q "@PJL JOB MODE=DIRECTFAX" <<<"$header"
grep -q "@PJL ENTER LANGUAGE=PDF" <<<"$header"
grep -q 'FAEN=0312345678' <<<"$header"
tail -c 18 "$server/out/fax.prn" | grep -q "@PJL EOJ"
grep -q " total 1 " "$server/log/page_log"
echo "package check: the fax job went through ($(wc -c <"$server/out/fax.prn") bytes)"
