#!/bin/sh
# with-cupsd.sh COMMAND [ARGUMENTS...]
# Runs a command beside a CUPS scheduler of its own: configuration, spool,
# logs and socket in a temporary folder, reached through CUPS_SERVER, with
# no queue but those the command adds. Its one backend, capture:/, writes
# each job's document to $PELVARO_CUPSD_DIR/out/<job id>. The machine's scheduler and queues are never seen, whatever
# printers this machine has. PELVARO_CUPSD tells the command whether the
# scheduler runs ("running") or could not be started ("missing"; the reason
# is printed); CUPS_SERVER points at the private socket either way.
set -u
dir=$(mktemp -d /tmp/pelvaro-cupsd.XXXXXX)
pid=
cleanup() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
# The file backend runs as lp; it must reach the folders the queues write to.
chmod 755 "$dir"
mkdir -p "$dir/etc" "$dir/spool" "$dir/tmp" "$dir/cache" "$dir/state" "$dir/log" "$dir/out" \
    "$dir/bin/backend"
chmod 777 "$dir/out"
# The scheduler starts backends through its own helpers in daemon/.
ln -s /usr/lib/cups/daemon "$dir/bin/daemon"
ln -s /usr/lib/cups/filter "$dir/bin/filter"
# A backend gets: job id, user, title, copies, options and the file (or
# standard input).
cat >"$dir/bin/backend/capture" <<BACKEND
#!/bin/sh
[ \$# -eq 0 ] && { echo 'direct capture "Unknown" "Pelvaro test capture"'; exit 0; }
if [ \$# -ge 6 ]; then cat "\$6"; else cat; fi >"$dir/out/\$1.part" && mv "$dir/out/\$1.part" "$dir/out/\$1"
BACKEND
chmod 755 "$dir/bin/backend/capture"
cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
ServerBin $dir/bin
SystemGroup root
CONF
cat >"$dir/etc/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
Browsing No
WebInterface No
PreserveJobHistory Yes
PreserveJobFiles No
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
export CUPS_SERVER="$dir/cups.sock" PELVARO_CUPSD=missing PELVARO_CUPSD_DIR="$dir"
cupsd=$(command -v cupsd || echo /usr/sbin/cupsd)
if [ ! -x "$cupsd" ]; then
    echo "with-cupsd: cupsd is not installed (package cups)"
elif [ "$(id -u)" -ne 0 ]; then
    echo "with-cupsd: only root can start a scheduler of its own here"
else
    "$cupsd" -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/stdout" 2>&1 &
    pid=$!
    tries=0
    until lpstat -r 2>/dev/null | grep -q "is running"; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$pid" 2>/dev/null; then
            echo "with-cupsd: cupsd did not start:"
            cat "$dir/log/stdout" "$dir/log/error_log" 2>/dev/null
            pid=
            break
        fi
        sleep 0.1
    done
    [ -n "$pid" ] && PELVARO_CUPSD=running
fi
"$@"
status=$?
[ $status -ne 0 ] && [ -s "$dir/log/error_log" ] && cat "$dir/log/error_log"
exit $status
