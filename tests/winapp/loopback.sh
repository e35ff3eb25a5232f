# Shell helpers for scripts that start programs on loopback ports: source it.
# Ports free now, each different from the others: all are held until each is known, since one
# that is let go at once may be handed out again by the next call.
free_ports() {
  python3 -c '
import socket, sys
held = [socket.socket() for _ in range(int(sys.argv[1]))]
for s in held:
    s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in held))' "${1:-1}"
}
free_port() { free_ports 1; }
# Polls (every 100 ms, at most $1 s) until the command succeeds.
wait_for() {
  local limit=$(($1 * 10)); shift
  for ((i = 0; i < limit; i++)); do "$@" && return 0; sleep 0.1; done
  return 1
}
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
