#!/usr/bin/env bash
# The whole path on this machine, with the real print system:
#   1. installs the packages, builds jobfilter and installs the driver (filter, its message
#      tables, the PPD) into a staging folder with the build's install rules;
#   2. starts a private print server on a socket in a temporary folder, with the system's filters
#      and the staged driver, and creates the fax queue from the driver's PPD;
#   3. sends a three-page document as a fax to two recipients, with fax settings and accounting;
#   4. shows the header of the device stream, checks the PDF in it and writes PNG previews of
#      the fax pages; then stops the server. The machine's own print system is not touched;
#   5. builds the desktop program and the plug-ins (when Qt 6 is installed, as install-deps.sh
#      does) and pictures every window of the print dialog's panels in English and in Japanese.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
bash scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}

echo "== Building jobfilter =="
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target jobfilter >/dev/null
# The desktop program exists only where Qt 6 was found.
if cmake --build "$BUILD_DIR" --target help 2>/dev/null | grep -qE '(^|[ :])nxfax(:|$| )'; then
  echo "== Building the desktop program and the plug-ins =="
  cmake --build "$BUILD_DIR" -j"$(nproc)" --target nxfax faxpde accountpde >/dev/null
fi

out=$(mktemp -d /tmp/nxdemo.XXXXXX)
chmod 0755 "$out"
stage="$out/stage"
echo "== Installing the driver into $stage =="
# What `cmake --install` runs for the filter's folder and the PPD's folder.
for dir in CommonSource/FilterFrame ppd; do
  DESTDIR="$stage" cmake -P "$BUILD_DIR/$dir/cmake_install.cmake" | sed 's/^/   /'
done
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")
datadir=$(sed -n 's/^CMAKE_INSTALL_DATADIR:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")
case "$datadir" in /*) ;; *) datadir="$prefix/${datadir:-share}" ;; esac
filter="$stage$(cups-config --serverbin)/filter/jobfilter"
model="$stage$(cups-config --datadir)/model"

echo "== Starting a private print server in $out/server =="
server="$out/server"
NX_CUPSD_FILTER_ENV="NX_DATA_DIR $stage$datadir/norvalex" \
  bash scripts/e2e-cupsd.sh setup "$server" "$filter" "$model"
trap 'bash "$ROOT/scripts/e2e-cupsd.sh" stop "$server"; echo "Print server stopped."' EXIT
bash scripts/e2e-cupsd.sh start "$server"
export CUPS_SERVER="$server/run/cups.sock"
lpinfo -m 2>/dev/null | grep norvalex/ | sed 's/^/   driver: /'
queue=NorvalexFax
# abort-job: a fax the filter refuses or cannot convert fails alone; the server's default policy
# (stop-printer) would stop the whole queue on a device failure.
lpadmin -p "$queue" -E -v "file:$server/out/$queue.prn" -m norvalex/nxfax.ppd \
  -o printer-error-policy=abort-job 2>/dev/null

# A three-page document.
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sPAPERSIZE=a4 -sOutputFile="$out/report.pdf" - <<'PS'
/Helvetica-Bold findfont 36 scalefont setfont
1 1 3 {
  /n exch def
  72 740 moveto (Quarterly report) show
  /Helvetica findfont 18 scalefont setfont
  72 700 moveto (Page ) show n 10 string cvs show ( of 3) show
  72 300 n 100 mul add 200 60 rectfill
  /Helvetica-Bold findfont 36 scalefont setfont
  showpage
} for
PS

# The ticket the print dialog's panels would write (recipient items as the recipient window
# stores them: the speed dial in the escaped byte-list form).
P=com.norvalex.nb.qtz.printsettings.
ticket=(
  -o "${P}DeviceOptionFaxModuleTypePopupListTicket=2"
  -o "${P}DeviceOptionOutsideExtensionKitPopupListTicket=0"
  -o "${P}DFFaxResolutionPopupListTicket=2" -o NXFaxResolution=Fine
  -o "${P}DFTransmissionReportPopupListTicket=2"
  -o "${P}DFaxSendHeaderTicket=1"
  -o "${P}DFRecipientListCountTicket=2"
  -o "${P}DFRecipientPaperSizeTicket=A4"
  -o "${P}DFRecipientListItemKeyTicket0=FAEN=90312345678{20}{30}{7SGVhZCBvZmZpY2U=}{}comment"
  -o "${P}DFRecipientListItemKeyTicket1=/70/65/69/78/61/39/48/48/49/50/39/123/125/99/111/109/109/101/110/116"
  -o "${P}JBAManageTypeListTicketKey=2"
  -o "${P}JBAUserSettingRadioBtnTicket=1"
  -o "${P}JBAUserIDListCtrlTicket=1"
  -o "${P}JBAAccountIDTextEditTicket=SALES-01"
)
echo "== Sending report.pdf as a fax to 0312345678 (outside line 9) and speed dial 0012 =="
id=$(lp -d "$queue" -t "Quarterly report" "${ticket[@]}" "$out/report.pdf" | sed -n 's/.*request id is [^-]*-\([0-9]*\).*/\1/p')
for _ in $(seq 1 240); do
  lpstat -W completed -o "$queue" | grep -q "^$queue-$id " && break
  sleep 0.5
done
lpstat -W completed -o "$queue" | grep -q "^$queue-$id " || { echo "The job did not complete:"; lpstat -l -o "$queue"; exit 1; }

stream="$server/out/$queue.prn"
cp "$stream" "$out/device-stream.prn"
# Split the device stream: header up to the language switch, the PDF, the trailer.
perl -e '
  local $/; open(my $f, "<:raw", $ARGV[0]) or die; my $s = <$f>;
  my $enter = "\@PJL ENTER LANGUAGE=PDF\n"; my $trailer = "\e%-12345X\@PJL EOJ\n";
  my $i = index($s, $enter); die "no language switch\n" if $i < 0;
  die "no trailer\n" unless substr($s, -length($trailer)) eq $trailer;
  my $h = substr($s, 0, $i + length($enter));
  my $pdf = substr($s, length($h), length($s) - length($h) - length($trailer));
  open(my $o, ">:raw", $ARGV[1]) or die; print $o $h; close $o;
  open($o, ">:raw", $ARGV[2]) or die; print $o $pdf; close $o;' \
  "$stream" "$out/header.txt" "$out/fax.pdf"

echo "== Device stream: header lines (ESC shown as <ESC>, line ends as <CR><LF>) =="
sed -e 's/\x1b/<ESC>/g' -e 's/\r$/<CR><LF>/' -e '/<CR><LF>$/!s/$/<LF>/' "$out/header.txt" | sed 's/^/   /'
echo "   ... $(wc -c <"$out/fax.pdf") bytes of PDF ..."
tail -c 18 "$stream" | sed -e 's/\x1b/<ESC>/g' -e 's/$/<LF>/' -e 's/^/   /'

echo "== The fax document =="
qpdf --check "$out/fax.pdf" | sed 's/^/   qpdf: /'
pdfinfo "$out/fax.pdf" | grep -E '^(Pages|Page size):' | sed 's/^/   /'
mkdir -p "$out/preview"
pdftoppm -png -r 50 "$out/fax.pdf" "$out/preview/page"
# The windows, when the desktop program and the plug-ins are built.
nxfax="$BUILD_DIR/desktop/nxfax/nxfax"
windows=""
if [ -x "$nxfax" ] && [ -d "$BUILD_DIR/faxpde.plugin" ] && [ -d "$BUILD_DIR/accountpde.plugin" ]; then
  echo "== Pictures of the windows, in English and in Japanese =="
  mkdir -p "$out/windows"
  for lang in en ja; do
    if QT_QPA_PLATFORM=offscreen "$nxfax" --screenshots "$out/windows/$lang" --lang "$lang" -b "$BUILD_DIR" \
        -p ppd/nxfax.ppd >"$out/windows/$lang.txt" 2>"$out/windows/$lang.log"; then
      echo "   $lang: $(ls "$out/windows/$lang" | wc -l) pictures"
    else
      echo "   $lang: the program failed, see $out/windows/$lang.log"
    fi
  done
  windows="$out/windows/en/ and $out/windows/ja/ (each picture with its window title in en.txt, ja.txt)"
fi

echo "== Done =="
echo "Fax page previews:   $out/preview/ ($(ls "$out/preview" | tr '\n' ' '))"
echo "Device stream:       $out/device-stream.prn (header in header.txt, document in fax.pdf)"
echo "Print server log:    $server/log/error_log"
if [ -n "$windows" ]; then
  echo "Window pictures:     $windows"
else
  echo "Window pictures:     none (build the desktop program first: cmake --build $BUILD_DIR --target nxfax faxpde accountpde)"
fi
