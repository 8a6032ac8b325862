# Shared by the benchmark scripts: a private nginx on loopback serving $work/www.
# Sets $port; call stop_nginx when done. Optional $RATE limits each connection (e.g. 4m).

start_nginx() {
  local work=$1
  mkdir -p "$work/www" "$work/tmp" "$work/logs"
  # The workers run as an unprivileged user.
  chmod a+rx "$work" "$work/www"
  chmod -R a+r "$work/www"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  local rate=""
  [ -n "${RATE:-}" ] && rate="limit_rate ${RATE};"
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
    $rate
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
