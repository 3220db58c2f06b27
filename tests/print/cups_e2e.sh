#!/bin/sh
# One envelope through a real CUPS queue: starts cupsd when it is not
# running (and stops only a cupsd it started), adds a cups-pdf queue, prints
# with the helper given as the first argument, and checks that the job is
# titled "Pelvaro" and that the PDF cups-pdf wrote holds both addresses;
# then that a job the queue refuses is reported as not printed.
# Exit code 77 means the test could not run here and is skipped.

set -u
HELPER=${1:?usage: cups_e2e.sh PATH-TO-cupsprintenvelope}
QUEUE=PelvaroTest
: "${QT_QPA_PLATFORM:=offscreen}"
export QT_QPA_PLATFORM
SKIP=77

skip() {
    echo "SKIP: $*"
    exit $SKIP
}
fail() {
    echo "FAIL: $*"
    exit 1
}

for tool in cupsd lpadmin lpstat lpinfo cupsreject cupsaccept pdftotext; do
    command -v "$tool" >/dev/null 2>&1 || [ -x "/usr/sbin/$tool" ] ||
        skip "$tool is not installed (packages cups, cups-client, poppler-utils)"
done
[ -e /usr/lib/cups/backend/cups-pdf ] || skip "the cups-pdf backend is not installed (printer-driver-cups-pdf)"

WORK=$(mktemp -d)
CUPSD_PID=
QUEUE_ADDED=
OUT_FILE=
OUT_DIR_MADE=

cleanup() {
    [ -n "$QUEUE_ADDED" ] && lpadmin -x "$QUEUE" 2>/dev/null
    [ -n "$OUT_FILE" ] && rm -f "$OUT_FILE"
    [ -n "$OUT_DIR_MADE" ] && rmdir "$OUT_DIR_MADE" 2>/dev/null
    if [ -n "$CUPSD_PID" ]; then
        kill "$CUPSD_PID" 2>/dev/null
        wait "$CUPSD_PID" 2>/dev/null
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

scheduler_running() {
    lpstat -r 2>/dev/null | grep -q "is running"
}

if ! scheduler_running; then
    [ "$(id -u)" -eq 0 ] || skip "cupsd is not running and only root can start it"
    /usr/sbin/cupsd -f >"$WORK/cupsd.log" 2>&1 &
    CUPSD_PID=$!
    i=0
    until scheduler_running; do
        i=$((i + 1))
        if [ $i -gt 40 ] || ! kill -0 "$CUPSD_PID" 2>/dev/null; then
            cat "$WORK/cupsd.log"
            CUPSD_PID=
            skip "cupsd could not be started"
        fi
        sleep 0.25
    done
fi

PPD=$(lpinfo -m 2>/dev/null | awk 'tolower($1) ~ /cups-pdf.*opt\.ppd$/ && $1 !~ /noopt/ { print $1; exit }')
[ -n "$PPD" ] || PPD=lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
# poppler's Cairo renderer keeps the text as text, so it can be read back.
lpadmin -p "$QUEUE" -E -v cups-pdf:/ -m "$PPD" -o pdftops-renderer-default=pdftocairo \
    >"$WORK/lpadmin.log" 2>&1 || { cat "$WORK/lpadmin.log"; skip "cannot add a CUPS queue here (not an administrator?)"; }
QUEUE_ADDED=1

# Where cups-pdf puts the user's files.
USER_NAME=$(id -un)
USER_HOME=$(getent passwd "$USER_NAME" | cut -d: -f6)
OUT_DIR=$(sed -n 's/^[[:space:]]*Out[[:space:]]\{1,\}//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -n 1)
[ -n "$OUT_DIR" ] || OUT_DIR='${HOME}/PDF'
OUT_DIR=$(printf '%s' "$OUT_DIR" | sed "s|\${HOME}|$USER_HOME|g; s|\${USER}|$USER_NAME|g")
[ -d "$OUT_DIR" ] || OUT_DIR_MADE=$OUT_DIR

"$HELPER" "$QUEUE" || fail "the print job did not reach the queue"

# The newest job of the queue is ours; wait until it is done.
JOB=$(lpstat -W all -o "$QUEUE" 2>/dev/null | awk '{ sub(/.*-/, "", $1); print $1 }' | sort -n | tail -n 1)
[ -n "$JOB" ] || fail "no job in queue $QUEUE"
i=0
while lpstat -o "$QUEUE" 2>/dev/null | grep -q "^$QUEUE-$JOB "; do
    i=$((i + 1))
    [ $i -gt 240 ] && fail "job $JOB did not complete"
    sleep 0.25
done

# The scheduler's own record of the job's title, when ipptool is there to
# ask for it; the file name below carries the title as well.
if command -v ipptool >/dev/null 2>&1; then
    cat >"$WORK/job.test" <<'IPP'
{
    OPERATION Get-Job-Attributes
    GROUP operation-attributes-tag
    ATTR charset attributes-charset utf-8
    ATTR naturalLanguage attributes-natural-language en
    ATTR uri printer-uri $uri
    ATTR integer job-id $job
    ATTR name requesting-user-name $user
    ATTR keyword requested-attributes job-name,job-state
    STATUS successful-ok
    DISPLAY job-name
    DISPLAY job-state
}
IPP
    ATTRS=$(ipptool -c -d job="$JOB" -d user="$USER_NAME" "ipp://localhost/printers/$QUEUE" "$WORK/job.test" | tail -n 1)
    echo "job $JOB: $ATTRS"
    TITLE=$(echo "$ATTRS" | cut -d, -f1)
    STATE=$(echo "$ATTRS" | cut -d, -f2)
    [ "$TITLE" = "Pelvaro" ] || fail "job title is '$TITLE', not 'Pelvaro'"
    [ "$STATE" = "completed" ] || fail "job ended as '$STATE'"
fi

# cups-pdf names its file after the job's title and number.
i=0
OUT_FILE="$OUT_DIR/Pelvaro-job_$JOB.pdf"
until [ -s "$OUT_FILE" ]; do
    i=$((i + 1))
    [ $i -gt 120 ] && { OUT_FILE=; fail "cups-pdf wrote no Pelvaro-job_$JOB.pdf in $OUT_DIR"; }
    sleep 0.25
done
pdftotext "$OUT_FILE" "$WORK/out.txt" || fail "cannot read $OUT_FILE"
for text in "Quentin Sender" "12 Return Lane" "Rosalind Recipient" "34 Mailing Avenue"; do
    grep -q "$text" "$WORK/out.txt" || { cat "$WORK/out.txt"; fail "'$text' is not in the printed PDF"; }
done
# A queue that refuses jobs: the job says so, naming the queue.
cupsreject "$QUEUE"
"$HELPER" "$QUEUE" >"$WORK/refused.log" 2>&1
REFUSED=$?
cupsaccept "$QUEUE"
[ "$REFUSED" -eq 3 ] && grep -q "^The envelope was not printed on $QUEUE: " "$WORK/refused.log" ||
    { cat "$WORK/refused.log"; fail "a job the queue refused was not reported (exit $REFUSED)"; }

echo "PASS: job $JOB titled Pelvaro, both addresses in $OUT_FILE; refused: $(cat "$WORK/refused.log")"
exit 0
