#!/usr/bin/env bash
# A private print server for the end-to-end tests and the demo: the machine's own cupsd and
# filters, configured entirely inside one temporary folder, reachable only through a domain
# socket in that folder. The machine's /etc/cups and running server are never touched.
#
#   e2e-cupsd.sh setup ROOT JOBFILTER [DATADIR_MODEL_DIR]
#       Fills ROOT (which must be missing or empty) with the server's configuration and folders.
#       JOBFILTER is the filter program to install next to the system's filters (copied, as
#       the server refuses filters in folders that others may write). DATADIR_MODEL_DIR, when
#       given, is served as the server's PPD model folder (what `lpinfo -m` lists).
#   e2e-cupsd.sh start ROOT
#       Starts the server in the background (its process id goes to ROOT/cupsd.pid) and waits
#       until it answers. The server stops by itself after NX_CUPSD_LIFETIME seconds (600).
#   e2e-cupsd.sh stop ROOT
#       Stops the server started by `start` (by its process id) and waits for it to end.
#
# Layout of ROOT: sbin/cupsd (a copy of the system's server), etc/ (server root), bin/ (server
# bin: the system's daemon/, backend/, filter/ entries plus JOBFILTER), share/ (data folder),
# spool/, cache/, state/, log/, run/cups.sock (mode 0700: only this user can reach the server),
# out/ (device files), nx-system/ (the driver's system folder as the filters see it). ROOT must
# be on a file system that allows running programs, and every folder above it must be open to
# user lp, who runs the filters: a folder under /tmp is.
# Clients reach the server with CUPS_SERVER=ROOT/run/cups.sock. NX_CUPSD_FILTER_ENV holds
# "NAME value" lines, one per variable, that the server sets for every filter. NX_CUPSD_LISTEN
# (an address such as 127.0.0.1:PORT) adds a network listener, and NX_CUPSD_AUTH_TYPE sets the
# server's DefaultAuthType (None; Basic as installed, for policies that ask for a user).
set -euo pipefail

SYS_SERVERBIN=$(cups-config --serverbin)
SYS_DATADIR=$(cups-config --datadir)

die() { echo "e2e-cupsd: $*" >&2; exit 1; }

setup() {
  local root=$1 jobfilter=$2 model=${3:-}
  if [ -e "$root" ] && [ -n "$(ls -A "$root")" ]; then die "$root is not empty"; fi
  [ -x "$jobfilter" ] || die "no filter program at $jobfilter"
  umask 022
  mkdir -p "$root"
  chmod 0755 "$root"
  if findmnt -no OPTIONS -T "$root" 2>/dev/null | tr ',' '\n' | grep -qx noexec; then
    die "$root is on a file system mounted noexec: the server could not run its filters there"
  fi
  mkdir -p "$root"/{etc,etc/ppd,etc/ssl,sbin,bin,bin/filter,share,spool,spool/tmp,cache,state,log,run,out}
  chmod 0700 "$root/run"

  # The server itself, run from a copy: the system's AppArmor profile for /usr/sbin/cupsd
  # (enforced on Debian when AppArmor is on) would not let it run filters from this folder.
  local cupsd
  cupsd=$(command -v cupsd || echo /usr/sbin/cupsd)
  [ -x "$cupsd" ] || die "cupsd is not installed"
  install -m 0755 "$cupsd" "$root/sbin/cupsd"

  # Server bin: the system's helpers and filters, plus ours. cupsd starts every filter
  # through daemon/cups-exec, so daemon/ is needed as well.
  local d
  for d in daemon backend cgi-bin monitor notifier; do
    [ -e "$SYS_SERVERBIN/$d" ] && ln -s "$SYS_SERVERBIN/$d" "$root/bin/$d"
  done
  local f
  for f in "$SYS_SERVERBIN"/filter/*; do
    ln -s "$f" "$root/bin/filter/"
  done
  install -m 0755 "$jobfilter" "$root/bin/filter/jobfilter"

  # Data folder: the system's, with our own model folder when one is given.
  for f in "$SYS_DATADIR"/*; do
    if [ -n "$model" ] && [ "$(basename "$f")" = model ]; then continue; fi
    ln -s "$f" "$root/share/"
  done
  if [ -n "$model" ]; then
    ln -s "$(cd "$model" && pwd)" "$root/share/model"
  fi

  local user_lines="User lp
Group lp
SystemGroup root"
  if [ "$(id -u)" -ne 0 ]; then
    # Unprivileged server: filters run as the calling user.
    user_lines="SystemGroup $(id -gn)"
  else
    # Filters run as lp: the spool's temporary folder must be theirs.
    chown root:lp "$root/spool" "$root/spool/tmp"
    chmod 0710 "$root/spool"
    chmod 1770 "$root/spool/tmp"
  fi

  cat >"$root/etc/cups-files.conf" <<EOF
$user_lines
ServerRoot $root/etc
ServerBin $root/bin
DataDir $root/share
DocumentRoot $SYS_DATADIR/doc-root
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/state
AccessLog $root/log/access_log
ErrorLog $root/log/error_log
PageLog $root/log/page_log
FileDevice Yes
EOF
  # Filters get a clean environment; SetEnv (a cups-files.conf directive) adds to it. The
  # driver's system folder (job copy flag, installed device key) is one of ours, empty, so that
  # nothing of the machine's /etc/norvalex takes part; the original platform's /private/tmp is
  # the filters' temporary folder.
  mkdir -p "$root/nx-system"
  {
    echo "SetEnv NX_SYSTEM_DIR $root/nx-system"
    echo "SetEnv NX_PRIVATE_TMP $root/spool/tmp"
  } >>"$root/etc/cups-files.conf"
  local line
  while IFS= read -r line; do
    [ -n "$line" ] && echo "SetEnv $line" >>"$root/etc/cups-files.conf"
  done <<<"${NX_CUPSD_FILTER_ENV:-}"

  # Everything is allowed: only the owner of ROOT/run can reach the socket (and the loopback
  # listener, when a test asks for one).
  local listen=""
  [ -n "${NX_CUPSD_LISTEN:-}" ] && listen="Listen ${NX_CUPSD_LISTEN}"
  cat >"$root/etc/cupsd.conf" <<EOF
LogLevel debug2
MaxLogSize 0
Listen $root/run/cups.sock
$listen
Browsing No
BrowseLocalProtocols none
DefaultAuthType ${NX_CUPSD_AUTH_TYPE:-None}
DefaultEncryption Never
WebInterface No
PreserveJobHistory Yes
PreserveJobFiles No
MaxJobs 0
JobRetryInterval 1
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
}

start() {
  local root=$1
  [ -f "$root/etc/cupsd.conf" ] || die "$root is not set up"
  [ ! -s "$root/cupsd.pid" ] || die "a server was started in $root already"
  # cupsd -f stays in the foreground, so $! is the server itself; timeout bounds its life
  # in case the caller dies without stopping it.
  timeout --signal=TERM "${NX_CUPSD_LIFETIME:-600}" \
    "$root/sbin/cupsd" -f -c "$root/etc/cupsd.conf" -s "$root/etc/cups-files.conf" \
    </dev/null >>"$root/log/cupsd.out" 2>&1 &
  echo $! >"$root/cupsd.pid"
  local i
  for i in $(seq 1 100); do
    if [ -S "$root/run/cups.sock" ] && CUPS_SERVER="$root/run/cups.sock" lpstat -r >/dev/null 2>&1; then
      return 0
    fi
    kill -0 "$(cat "$root/cupsd.pid")" 2>/dev/null || break
    sleep 0.1
  done
  cat "$root/log/cupsd.out" "$root/log/error_log" >&2 2>/dev/null || true
  stop "$root"
  die "the print server did not start"
}

stop() {
  local root=$1 pid
  [ -s "$root/cupsd.pid" ] || return 0
  pid=$(cat "$root/cupsd.pid")
  if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    local i
    for i in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null || true
  fi
  wait "$pid" 2>/dev/null || true
  : >"$root/cupsd.pid"
}

cmd=${1:-}
shift || true
# The server wants absolute paths in its configuration.
[ $# -ge 1 ] && set -- "$(realpath -m "$1")" "${@:2}"
case "$cmd" in
  setup) [ $# -ge 2 ] || die "usage: setup ROOT JOBFILTER [MODEL_DIR]"; setup "$@" ;;
  start) [ $# -eq 1 ] || die "usage: start ROOT"; start "$1" ;;
  stop) [ $# -eq 1 ] || die "usage: stop ROOT"; stop "$1" ;;
  *) die "usage: e2e-cupsd.sh setup|start|stop ROOT ..." ;;
esac
