# The demo mailbox for scripts/run (sourced): on a Wine prefix without accounts of its own, the demo
# POP3 server runs in the background while the program runs, and the demo account points at it.
#   demo_start WORKDIR   after wineboot, before the program starts (WINEPREFIX set; PB_DEMO_PORT
#                        optionally asks for a port)
#   demo_stop            when the program has ended
demo_pid=""

demo_start() {
  local work=$1 port="" wanted
  mkdir -p "$work"
  # PB_DEMO_PORT asks for a port (pictures that do not change from run to run); when it is taken,
  # or not asked for, a free one. The first line on stdout is the port.
  for wanted in ${PB_DEMO_PORT:-} 0; do
    python3 "$top/demo/demo-pop3-server.py" "$wanted" >"$work/demo-port" 2>"$work/demo-server.log" &
    demo_pid=$!
    for _ in $(seq 100); do
      port=$(head -n 1 "$work/demo-port" 2>/dev/null || true)
      [ -n "$port" ] && break
      kill -0 "$demo_pid" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$port" ] && break
    demo_stop
  done
  if [ -z "$port" ]; then
    echo "The demo POP3 server did not start (see $work/demo-server.log)." >&2
    demo_stop
    return 0
  fi
  local rc=0
  python3 "$top/scripts/demo-account" "$WINEPREFIX" "$port" || rc=$?
  if [ "$rc" -eq 0 ]; then
    echo "Demo mailbox: POP3 on 127.0.0.1:$port, user demo, password prunebox (tab デモ)."
  else
    demo_stop  # accounts of the user's own (3), or the registration failed
  fi
}

demo_stop() {
  if [ -n "$demo_pid" ]; then
    kill "$demo_pid" 2>/dev/null || true
    wait "$demo_pid" 2>/dev/null || true
    demo_pid=""
  fi
}
