#!/usr/bin/env bash
# with_server.sh SERVER COMMAND...: starts SERVER on a free loopback port,
# runs COMMAND with every @SITE@ replaced by the address the server printed,
# stops the server and exits with COMMAND's status. A server that does not
# start is a failure (status 2), never a pass.
set -u
server=$1
shift
# SERVER_LAUNCHER (words, may be empty) runs the server, e.g. under Wine.
# shellcheck disable=SC2086
exec 3< <(exec ${SERVER_LAUNCHER:-} "$server" --listen 127.0.0.1:0)
pid=$!
if ! read -r -t 20 address <&3 || [[ $address != http://* ]]; then
  echo "with_server.sh: $server did not start (first line: '${address:-}')" >&2
  kill "$pid" 2>/dev/null
  exit 2
fi
address=${address%$'\r'}  # a Windows server ends its lines with CRLF
args=()
for a in "$@"; do args+=("${a//@SITE@/$address}"); done
"${args[@]}"
status=$?
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
