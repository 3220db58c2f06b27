#!/bin/sh
# One envelope through a real CUPS queue, run by support/with-cupsd.sh: adds
# a raw queue on the private scheduler's capture backend, prints with the
# helper given as the first argument, and checks that the scheduler titled
# the job "Pelvaro" and that the PDF it received holds both addresses; then
# that a job the queue refuses is reported as not printed, naming the queue.
# A missing tool or scheduler fails under CI (CI=true) and skips (77) elsewhere.
set -u
helper=${1:?usage: with-cupsd.sh cups_e2e.sh PATH-TO-tst_print}
queue=PelvaroTest

cannot() {
    if [ "${CI:-}" = true ]; then
        echo "FAIL: needed in CI and missing: $*"
        exit 1
    fi
    echo "SKIP: $*"
    exit 77
}
fail() {
    echo "FAIL: $*"
    exit 1
}

[ "${PELVARO_CUPSD:-}" = running ] || cannot "no CUPS scheduler of the test's own (package cups, root)"
for tool in lpadmin lpstat cupsreject ipptool pdftotext; do
    command -v "$tool" >/dev/null 2>&1 ||
        cannot "$tool is not installed (packages cups-client, cups-ipp-utils, poppler-utils)"
done
out=$PELVARO_CUPSD_DIR/out
lpadmin -p "$queue" -E -v capture:/ -m raw >"$out/lpadmin.log" 2>&1 ||
    { cat "$out/lpadmin.log"; cannot "lpadmin could not add a queue"; }

"$helper" --print-to-queue "$queue" || fail "the print job did not reach the queue"
job=$(lpstat -W all -o "$queue" | awk '{ sub(/.*-/, "", $1); print $1 }' | sort -n | tail -n 1)
[ -n "$job" ] || fail "no job in queue $queue"
tries=0
until [ -s "$out/$job" ]; do
    tries=$((tries + 1))
    [ $tries -gt 300 ] && fail "job $job was not delivered"
    sleep 0.1
done

uri="ipp://$(printf %s "$CUPS_SERVER" | sed 's|/|%2F|g')/printers/$queue"
attributes=$(ipptool -c -d job="$job" "$uri" /dev/stdin <<'IPP' | tail -n 1
{
    OPERATION Get-Job-Attributes
    GROUP operation-attributes-tag
    ATTR charset attributes-charset utf-8
    ATTR naturalLanguage attributes-natural-language en
    ATTR uri printer-uri $uri
    ATTR integer job-id $job
    ATTR keyword requested-attributes job-name
    STATUS successful-ok
    DISPLAY job-name
}
IPP
)
[ "$attributes" = Pelvaro ] || fail "the job is titled '$attributes', not 'Pelvaro'"

pdftotext "$out/$job" "$out/text" || fail "the job is no PDF"
for text in "Quentin Sender" "12 Return Lane" "Rosalind Recipient" "34 Mailing Avenue"; do
    grep -q "$text" "$out/text" || { cat "$out/text"; fail "'$text' is not in the printed job"; }
done
cupsreject "$queue" || fail "cupsreject could not stop the queue taking jobs"
"$helper" --print-to-queue "$queue" 2>"$out/refused.log"
refused=$?
[ "$refused" -eq 3 ] && grep -q "^The envelope was not printed on $queue: " "$out/refused.log" ||
    { cat "$out/refused.log"; fail "a job the queue refused was not reported (exit $refused)"; }
echo "PASS: job $job titled Pelvaro, both addresses printed; refused: $(grep "^The envelope" "$out/refused.log")"
