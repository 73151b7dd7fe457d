#!/bin/sh
# Runs one Windows program under a wineserver of its own. Font registrations
# last as long as the server, so a case that needs a font to be absent must
# not share one with a case that registered it. Only for tests that run one at
# a time (RUN_SERIAL): it stops the server the other tests use, and leaves a
# new one for them afterwards. The server and Wine's background processes
# (started by wineboot) get /dev/null, not the test runner's pipes.
restart_server() {
  wineserver -k >/dev/null 2>&1 </dev/null
  wineserver -p >/dev/null 2>&1 </dev/null
  wineboot >/dev/null 2>&1 </dev/null
}
restart_server
wine "$@"
status=$?
restart_server
exit $status
