# Shared by the benchmark scripts: a private nginx on loopback serving $work/www.

# Re-runs the calling script (with its arguments) in a network namespace of its own with
# only loopback up: nginx listens on every address there, and nothing can leave the host.
in_private_net() {
  if [ -z "${JF_BENCH_NETNS:-}" ]; then
    exec unshare --net -- env JF_BENCH_NETNS=1 bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
  fi
}

# Makes a work folder with a random file of $1 MiB served at $url; removed on exit.
# Sets $work, $size, $md5, $port and $url.
serve_random_file() {
  work=$(mktemp -d /tmp/jfbench.XXXXXX)
  trap 'stop_nginx "$work"; rm -rf "$work"' EXIT
  mkdir -p "$work/www" "$work/out"
  head -c $(($1 * 1048576)) /dev/urandom > "$work/www/file.bin"
  size=$(stat -c %s "$work/www/file.bin")
  md5=$(md5sum "$work/www/file.bin" | cut -d' ' -f1)
  sync
  start_nginx "$work"
  url="http://127.0.0.1:$port/file.bin"
}

start_nginx() {
  local work=$1
  mkdir -p "$work/www" "$work/tmp" "$work/logs"
  # The workers run as an unprivileged user.
  chmod a+rx "$work" "$work/www"
  chmod -R a+r "$work/www"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat > "$work/nginx.conf" <<CONF
worker_processes 2;
pid $work/nginx.pid;
error_log $work/logs/error.log warn;
events { worker_connections 256; }
http {
  log_format bytes '\$remote_addr \$server_addr \$status \$body_bytes_sent "\$http_range"';
  access_log $work/logs/access.log bytes;
  client_body_temp_path $work/tmp/body;
  proxy_temp_path $work/tmp/proxy;
  fastcgi_temp_path $work/tmp/fastcgi;
  uwsgi_temp_path $work/tmp/uwsgi;
  scgi_temp_path $work/tmp/scgi;
  sendfile on;
  tcp_nopush on;
  server {
    listen 0.0.0.0:$port;
    root $work/www;
  }
}
CONF
  nginx -c "$work/nginx.conf" -p "$work/"
}

stop_nginx() {
  local work=$1
  [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
  sleep 0.2
}
