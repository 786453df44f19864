#!/usr/bin/env bash
# Installs what is needed, builds jobfilter and runs it on a sample fax job, exactly as the
# print system starts it, then shows the job header the device would receive.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export BUILD_DIR=${BUILD_DIR:-build}
bash scripts/build.sh

out=$(mktemp -d /tmp/nxdemo.XXXXXX)
P=com.norvalex.nb.qtz.printsettings.
opts="${P}DFRecipientListCountTicket=2 ${P}DFRecipientPaperSizeTicket=A4"
opts+=" ${P}DFRecipientListItemKeyTicket0=sample-item-0 ${P}DFRecipientListItemKeyTicket1=sample-item-1"
opts+=" ${P}DFFaxResolutionPopupListTicket=2 ${P}DFTransmissionReportPopupListTicket=2 ${P}DFaxSendHeaderTicket=1"
: > "$out/empty.ras"
CUPS_FILETYPE=document PPD=/nonexistent "$BUILD_DIR/CommonSource/FilterFrame/jobfilter" \
  1 alice "Quarterly report" 1 "$opts" "$out/empty.ras" >"$out/job.prn" 2>"$out/stderr.txt" || true
echo "== device stream (text lines) =="
tr -d '\r' <"$out/job.prn" | cat -v | head -40
echo "== filter messages =="
cat "$out/stderr.txt"
echo "Output kept in $out"
