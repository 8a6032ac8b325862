#include "tests/support/net/HttpTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <random>

namespace {

std::string Lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

const char* ReasonOf(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

// Value of a header parameter such as boundary=... or name="...".
std::string Param(const std::string& header, const std::string& key) {
  std::string low = Lower(header);
  size_t pos = 0;
  while ((pos = low.find(key + "=", pos)) != std::string::npos) {
    if (pos == 0 || low[pos - 1] == ' ' || low[pos - 1] == ';') break;
    pos += key.size();
  }
  if (pos == std::string::npos) return std::string();
  pos += key.size() + 1;
  if (pos < header.size() && header[pos] == '"') {
    size_t end = header.find('"', pos + 1);
    return header.substr(pos + 1, end == std::string::npos ? std::string::npos : end - pos - 1);
  }
  size_t end = header.find(';', pos);
  return Trim(header.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
}

std::vector<HttpTestServer::Part> ParseMultipart(const std::string& contentType,
                                                 const std::string& body) {
  std::vector<HttpTestServer::Part> parts;
  if (Lower(contentType).find("multipart/form-data") == std::string::npos) return parts;
  std::string boundary = Param(contentType, "boundary");
  if (boundary.empty()) return parts;
  const std::string delim = "--" + boundary;
  size_t pos = body.find(delim);
  while (pos != std::string::npos) {
    pos += delim.size();
    if (body.compare(pos, 2, "--") == 0) break;
    if (body.compare(pos, 2, "\r\n") == 0) pos += 2;
    size_t headEnd = body.find("\r\n\r\n", pos);
    if (headEnd == std::string::npos) break;
    size_t next = body.find("\r\n" + delim, headEnd + 4);
    if (next == std::string::npos) break;
    HttpTestServer::Part part;
    std::string heads = body.substr(pos, headEnd - pos);
    size_t lineStart = 0;
    while (lineStart <= heads.size()) {
      size_t lineEnd = heads.find("\r\n", lineStart);
      std::string line = heads.substr(lineStart, lineEnd == std::string::npos ? std::string::npos
                                                                              : lineEnd - lineStart);
      size_t colon = line.find(':');
      if (colon != std::string::npos) {
        std::string name = Lower(Trim(line.substr(0, colon)));
        std::string value = Trim(line.substr(colon + 1));
        if (name == "content-disposition") {
          part.name = Param(value, "name");
          part.filename = Param(value, "filename");
        } else if (name == "content-type") {
          part.contentType = value;
        }
      }
      if (lineEnd == std::string::npos) break;
      lineStart = lineEnd + 2;
    }
    part.data = body.substr(headEnd + 4, next - headEnd - 4);
    parts.push_back(part);
    pos = next + 2;
  }
  return parts;
}

}  // namespace

struct HttpTestServer::Conn {
  int fd = -1;
  SSL* ssl = nullptr;
  bool broken = false;

  bool SendAll(const char* data, size_t size) {
    while (size > 0 && !broken) {
      ssize_t n;
      if (ssl) {
        int r = SSL_write(ssl, data, static_cast<int>(std::min<size_t>(size, 1 << 20)));
        n = r > 0 ? r : -1;
      } else {
        n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
      }
      if (n <= 0) {
        broken = true;
        return false;
      }
      data += n;
      size -= static_cast<size_t>(n);
    }
    return !broken;
  }
  bool SendAll(const std::string& s) { return SendAll(s.data(), s.size()); }

  // Reads what is there within `ms`: >0 bytes, 0 on time-out, -1 when closed or broken.
  int RecvSome(std::string& out, int ms) {
    if (broken) return -1;
    if (!(ssl && SSL_pending(ssl) > 0)) {
      pollfd p{fd, POLLIN, 0};
      int r = ::poll(&p, 1, ms);
      if (r == 0) return 0;
      if (r < 0) return errno == EINTR ? 0 : -1;
    }
    char buf[16384];
    int n;
    if (ssl) {
      n = SSL_read(ssl, buf, sizeof buf);
    } else {
      n = static_cast<int>(::recv(fd, buf, sizeof buf, 0));
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
    }
    if (n <= 0) {
      broken = true;
      return -1;
    }
    out.append(buf, static_cast<size_t>(n));
    return n;
  }
};

std::string HttpTestServer::Request::Header(const std::string& name) const {
  std::string low = Lower(name);
  for (const auto& h : headers)
    if (Lower(h.first) == low) return h.second;
  return std::string();
}

bool HttpTestServer::Request::HasHeader(const std::string& name) const {
  std::string low = Lower(name);
  for (const auto& h : headers)
    if (Lower(h.first) == low) return true;
  return false;
}

HttpTestServer::HttpTestServer() : HttpTestServer(Options()) {}

HttpTestServer::HttpTestServer(const Options& options) : m_options(options) {
  Script missing;
  missing.status = 404;
  missing.body = "not found";
  m_fallback = std::make_shared<const Script>(missing);
}

HttpTestServer::~HttpTestServer() {
  Stop();
  if (m_ctx) SSL_CTX_free(static_cast<SSL_CTX*>(m_ctx));
}

std::string HttpTestServer::RandomBody(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (char& ch : s) ch = static_cast<char>(gen() & 0xFF);
  return s;
}

bool HttpTestServer::Start() {
  // TLS writes go through write(2); a peer that hung up must not kill the test process.
  ::signal(SIGPIPE, SIG_IGN);
  if (!m_options.certPem.empty() && !m_options.keyPem.empty() && !m_ctx) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx) return false;
    BIO* cb = BIO_new_mem_buf(m_options.certPem.data(), static_cast<int>(m_options.certPem.size()));
    X509* cert = PEM_read_bio_X509(cb, nullptr, nullptr, nullptr);
    BIO_free(cb);
    BIO* kb = BIO_new_mem_buf(m_options.keyPem.data(), static_cast<int>(m_options.keyPem.size()));
    EVP_PKEY* key = PEM_read_bio_PrivateKey(kb, nullptr, nullptr, nullptr);
    BIO_free(kb);
    bool ok = cert && key && SSL_CTX_use_certificate(ctx, cert) == 1 &&
              SSL_CTX_use_PrivateKey(ctx, key) == 1;
    X509_free(cert);
    EVP_PKEY_free(key);
    if (!ok) {
      SSL_CTX_free(ctx);
      return false;
    }
    m_ctx = ctx;
  }
  m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_listen < 0) return false;
  int one = 1;
  ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = 0;
  if (::inet_pton(AF_INET, m_options.bindAddress.c_str(), &addr.sin_addr) != 1 ||
      ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(m_listen, 256) != 0) {
    ::close(m_listen);
    m_listen = -1;
    return false;
  }
  socklen_t len = sizeof addr;
  ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
  m_port = ntohs(addr.sin_port);
  m_stop = false;
  m_acceptThread = std::thread(&HttpTestServer::AcceptLoop, this);
  return true;
}

void HttpTestServer::Stop() {
  if (m_listen < 0) return;
  m_stop = true;
  if (m_acceptThread.joinable()) m_acceptThread.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> g(m_lock);
    threads.swap(m_threads);
  }
  for (auto& t : threads) t.join();
  ::close(m_listen);
  m_listen = -1;
}

std::string HttpTestServer::Url(const std::string& path, const std::string& host) const {
  return std::string(m_ctx ? "https://" : "http://") + host + ":" + std::to_string(m_port) + path;
}

void HttpTestServer::Set(const std::string& path, const Script& script) {
  SharedScript shared = std::make_shared<const Script>(script);
  std::lock_guard<std::mutex> g(m_lock);
  m_handlers[path] = [shared](const Request&) { return shared; };
}

void HttpTestServer::SetBody(const std::string& path, const std::string& body) {
  Script s;
  s.body = body;
  Set(path, s);
}

void HttpTestServer::SetHandler(const std::string& path, Handler handler) {
  std::lock_guard<std::mutex> g(m_lock);
  m_handlers[path] = [handler = std::move(handler)](const Request& req) {
    return std::make_shared<const Script>(handler(req));
  };
}

void HttpTestServer::SetFallback(const Script& script) {
  std::lock_guard<std::mutex> g(m_lock);
  m_fallback = std::make_shared<const Script>(script);
}

std::vector<HttpTestServer::Request> HttpTestServer::Requests() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_requests;
}

std::vector<HttpTestServer::Request> HttpTestServer::RequestsFor(const std::string& path) const {
  std::vector<Request> out;
  std::lock_guard<std::mutex> g(m_lock);
  for (const auto& r : m_requests)
    if (r.path == path) out.push_back(r);
  return out;
}

size_t HttpTestServer::RequestCount() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_requests.size();
}

bool HttpTestServer::WaitForRequests(size_t count, int timeoutMs) const {
  std::unique_lock<std::mutex> g(m_lock);
  return m_changed.wait_for(g, std::chrono::milliseconds(timeoutMs),
                            [&] { return m_requests.size() >= count; });
}

void HttpTestServer::ReleaseStalls() { ++m_stallGeneration; }

void HttpTestServer::AcceptLoop() {
  int serial = 0;
  while (!m_stop) {
    pollfd p{m_listen, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++m_connections;
    sockaddr_in local{};
    socklen_t len = sizeof local;
    char text[INET_ADDRSTRLEN] = "";
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0)
      ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    std::lock_guard<std::mutex> g(m_lock);
    m_threads.emplace_back(&HttpTestServer::Serve, this, fd, ++serial, std::string(text));
  }
}

void HttpTestServer::Serve(int fd, int serial, std::string localAddress) {
  Conn c;
  c.fd = fd;
  bool ok = true;
  if (m_ctx) {
    c.ssl = SSL_new(static_cast<SSL_CTX*>(m_ctx));
    SSL_set_fd(c.ssl, fd);
    ok = SSL_accept(c.ssl) == 1;
  }
  std::string buffer;
  while (ok && !m_stop && ServeOne(c, buffer, serial, localAddress)) {
  }
  if (c.ssl) {
    if (!c.broken) SSL_shutdown(c.ssl);
    SSL_free(c.ssl);
  }
  ::close(fd);
}

HttpTestServer::SharedScript HttpTestServer::ScriptFor(const Request& req) {
  Source source;
  {
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_handlers.find(req.path);
    if (it == m_handlers.end()) return m_fallback;
    source = it->second;
  }
  return source(req);
}

// Waits `ms` while watching for a stop; with watchPeer, also ends when the peer closes.
bool HttpTestServer::Pause(Conn& c, int ms, bool watchPeer) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!m_stop) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
    if (left <= 0) return true;
    int slice = static_cast<int>(std::min<long long>(left, 20));
    if (watchPeer) {
      std::string sink;
      if (c.RecvSome(sink, slice) < 0) return false;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(slice));
    }
  }
  return false;
}

bool HttpTestServer::ServeOne(Conn& c, std::string& buffer, int serial,
                              const std::string& localAddress) {
  size_t headEnd;
  while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
    if (m_stop || buffer.size() > (1 << 16)) return false;
    if (c.RecvSome(buffer, 20) < 0) return false;
  }
  Request req;
  req.connection = serial;
  req.localAddress = localAddress;
  std::string head = buffer.substr(0, headEnd);
  buffer.erase(0, headEnd + 4);
  size_t lineEnd = head.find("\r\n");
  std::string first = head.substr(0, lineEnd);
  size_t sp1 = first.find(' ');
  size_t sp2 = first.rfind(' ');
  if (sp1 == std::string::npos || sp2 == sp1) return false;
  req.method = first.substr(0, sp1);
  req.target = first.substr(sp1 + 1, sp2 - sp1 - 1);
  req.version = first.substr(sp2 + 1);
  req.path = req.target.substr(0, req.target.find('?'));
  while (lineEnd != std::string::npos) {
    size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
    size_t colon = line.find(':');
    if (colon != std::string::npos)
      req.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
  }
  bool continueSent = false;
  if (Lower(req.Header("Expect")) == "100-continue") {
    c.SendAll("HTTP/1.1 100 Continue\r\n\r\n");
    continueSent = true;
  }
  if (Lower(req.Header("Transfer-Encoding")).find("chunked") != std::string::npos) {
    for (;;) {
      size_t le;
      while ((le = buffer.find("\r\n")) == std::string::npos)
        if (m_stop || c.RecvSome(buffer, 20) < 0) return false;
      size_t size = std::strtoul(buffer.substr(0, le).c_str(), nullptr, 16);
      while (buffer.size() < le + 2 + size + 2)
        if (m_stop || c.RecvSome(buffer, 20) < 0) return false;
      req.body.append(buffer, le + 2, size);
      buffer.erase(0, le + 2 + size + 2);
      if (size == 0) break;
    }
  } else {
    size_t length = std::strtoull(req.Header("Content-Length").c_str(), nullptr, 10);
    while (buffer.size() < length)
      if (m_stop || c.RecvSome(buffer, 20) < 0) return false;
    req.body = buffer.substr(0, length);
    buffer.erase(0, length);
  }
  req.parts = ParseMultipart(req.Header("Content-Type"), req.body);
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_requests.push_back(req);
  }
  m_changed.notify_all();
  const SharedScript script = ScriptFor(req);
  const Script& s = *script;
  bool keep = Answer(c, req, s, continueSent);
  return keep && !s.close && Lower(req.Header("Connection")) != "close" && req.version == "HTTP/1.1";
}

bool HttpTestServer::Answer(Conn& c, const Request& req, const Script& s, bool continueSent) {
  if (s.stallBeforeHeaders) {
    unsigned gen = m_stallGeneration;
    while (!m_stop && gen == m_stallGeneration)
      if (!Pause(c, 20, true)) break;
    return false;
  }
  if (s.delayMs > 0 && !Pause(c, s.delayMs, false)) return false;
  if (!s.raw.empty()) {
    c.SendAll(s.raw);
    return false;
  }
  if (s.interimContinue && !continueSent) c.SendAll("HTTP/1.1 100 Continue\r\n\r\n");

  int status = s.status;
  // The part of the script's body this answer carries, sliced in place.
  const char* body = s.body.data();
  size_t size = s.body.size();
  std::vector<std::pair<std::string, std::string>> headers;
  std::string range = req.Header("Range");
  if (s.ranges && status == 200 && range.compare(0, 6, "bytes=") == 0) {
    std::string spec = range.substr(6);
    size_t dash = spec.find('-');
    unsigned long long total = size;
    unsigned long long from = std::strtoull(spec.substr(0, dash).c_str(), nullptr, 10);
    unsigned long long to = total ? total - 1 : 0;
    if (dash != std::string::npos && dash + 1 < spec.size())
      to = std::min<unsigned long long>(to, std::strtoull(spec.substr(dash + 1).c_str(), nullptr, 10));
    if (dash == std::string::npos || from >= total || to < from) {
      status = 416;
      size = 0;
      headers.emplace_back("Content-Range", "bytes */" + std::to_string(total));
    } else {
      status = 206;
      body += from;
      size = static_cast<size_t>(to - from + 1);
      headers.emplace_back("Content-Range", "bytes " + std::to_string(from) + "-" +
                                                std::to_string(to) + "/" + std::to_string(total));
    }
  }
  if (!s.exactHeaders) {
    long long announced = s.contentLength >= 0 ? s.contentLength : static_cast<long long>(size);
    headers.emplace_back("Content-Length", std::to_string(announced));
    if (s.ranges) headers.emplace_back("Accept-Ranges", "bytes");
    if (!s.location.empty()) headers.emplace_back("Location", s.location);
    headers.emplace_back("Connection", s.close ? "close" : "keep-alive");
  }
  for (const auto& h : s.headers) headers.push_back(h);
  std::string out = "HTTP/1.1 " + std::to_string(status) + " " +
                    (s.reason.empty() ? ReasonOf(status) : s.reason) + "\r\n";
  for (const auto& h : headers)
    out += (s.lowerCaseHeaders ? Lower(h.first) : h.first) + ": " + h.second + "\r\n";
  out += "\r\n";
  if (!c.SendAll(out)) return false;
  if (req.method == "HEAD") return true;

  size_t limit = size;
  if (s.stallAfter >= 0) limit = std::min<size_t>(limit, static_cast<size_t>(s.stallAfter));
  if (s.resetAfter >= 0) limit = std::min<size_t>(limit, static_cast<size_t>(s.resetAfter));
  size_t step = s.trickleBytes ? s.trickleBytes : limit;
  for (size_t pos = 0; pos < limit;) {
    size_t n = std::min(step, limit - pos);
    if (!c.SendAll(body + pos, n)) return false;
    pos += n;
    if (s.trickleBytes && pos < limit && !Pause(c, s.trickleMs, false)) return false;
  }
  if (s.resetAfter >= 0) {
    linger lg{1, 0};
    ::setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    c.broken = true;  // no TLS close-notify: the peer must see a reset
    return false;
  }
  if (s.stallAfter >= 0) {
    unsigned gen = m_stallGeneration;
    while (!m_stop && gen == m_stallGeneration)
      if (!Pause(c, 20, true)) break;
    return false;
  }
  // An announced length other than the body's leaves the stream unusable for another request.
  return s.contentLength < 0 || s.contentLength == static_cast<long long>(size);
}
