#!/usr/bin/env bash
# A print spooler of its own for tests: a cupsd that lives in one folder, listens only on a socket
# there, and has one queue, PanoramaPDF, whose backend writes every job as it arrives (the PDF the
# program sent) into DIR/out, named by the job's number: job-N.pdf.
#   private_cups.sh start DIR     starts it; prints CUPS_SERVER=DIR/run/cups.sock
#   private_cups.sh stop DIR      stops it
# start exits with 1 and one line on stderr when the spooler cannot run here.
set -euo pipefail

command=${1:-}
dir=${2:-}
[ -n "$command" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

stop() {
    if [ -f "$dir/cupsd.pid" ]; then
        local pid
        pid=$(cat "$dir/cupsd.pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
        rm -f "$dir/cupsd.pid"
    fi
}

case "$command" in
stop)
    stop
    exit 0
    ;;
start) ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac

cupsd=$(command -v cupsd || echo /usr/sbin/cupsd)
[ -x "$cupsd" ] || { echo "no cupsd on this machine" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "the spooler needs to start as root here" >&2; exit 1; }

dir=$(mkdir -p "$dir" && cd "$dir" && pwd)
mkdir -p "$dir"/{etc/ppd,spool/tmp,cache,logs,run,out,bin/backend,state}
chmod 755 "$dir"
chmod 777 "$dir"/out
chgrp -R lp "$dir"/spool "$dir"/cache "$dir"/state "$dir"/logs 2>/dev/null || true
chmod 0770 "$dir"/spool "$dir"/spool/tmp "$dir"/cache "$dir"/state
# The server's programs: the system's filters and daemons, and one backend of its own.
for sub in filter daemon cgi-bin monitor notifier driver; do
    if [ -e /usr/lib/cups/$sub ]; then ln -sfn /usr/lib/cups/$sub "$dir/bin/$sub"; fi
done
cat >"$dir/bin/backend/pdfout" <<BACKEND
#!/bin/sh
# Without arguments a backend names the devices it offers.
[ \$# -eq 0 ] && { echo 'direct pdfout "Unknown" "Files of the test spooler"'; exit 0; }
file=\${6:--}
tmp="$dir/out/.job-\$1.part"
if [ "\$file" = - ]; then cat >"\$tmp"; else cat "\$file" >"\$tmp"; fi || exit 1
printf '%s\n' "\$3" >"$dir/out/job-\$1.title"
mv "\$tmp" "$dir/out/job-\$1.pdf"
BACKEND
chmod 755 "$dir/bin/backend/pdfout"

cat >"$dir/etc/cupsd.conf" <<CONF
Listen $dir/run/cups.sock
Browsing Off
BrowseLocalProtocols none
DefaultAuthType None
WebInterface No
LogLevel warn
MaxLogSize 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
ServerBin $dir/bin
DataDir /usr/share/cups
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/logs/access_log
ErrorLog $dir/logs/error_log
PageLog $dir/logs/page_log
User lp
Group lp
SystemGroup root
Sandboxing relaxed
CONF

stop
"$cupsd" -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/logs/stdout" 2>&1 &
echo $! >"$dir/cupsd.pid"
for _ in $(seq 100); do
    [ -S "$dir/run/cups.sock" ] && break
    kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break
    sleep 0.1
done
if [ ! -S "$dir/run/cups.sock" ]; then
    stop
    echo "the spooler did not start: $(tail -1 "$dir/logs/error_log" 2>/dev/null || true)" >&2
    exit 1
fi
export CUPS_SERVER="$dir/run/cups.sock"
# A queue without a driver: the backend gets the document exactly as it was sent.
if ! lpadmin -p PanoramaPDF -E -v pdfout:/ -m raw -D "PDF files for tests" \
        -L "Test folder" >"$dir/logs/lpadmin" 2>&1 ||
    ! lpadmin -d PanoramaPDF >>"$dir/logs/lpadmin" 2>&1; then
    stop
    echo "the queue could not be made: $(tail -1 "$dir/logs/lpadmin")" >&2
    exit 1
fi
echo "CUPS_SERVER=$CUPS_SERVER"
