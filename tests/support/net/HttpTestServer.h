// A scripted HTTP/1.1 server that runs inside the test process. It records every request
// and answers each path by a script: plain bodies, ranges, redirects, wrong lengths,
// interim "100 Continue" answers, trickles, stalls and resets, optionally over TLS.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class HttpTestServer {
 public:
  struct Part {
    std::string name;
    std::string filename;
    std::string contentType;
    std::string data;
  };

  struct Request {
    std::string method;
    std::string target;  // as sent, query included
    std::string path;    // without the query
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;  // in order, names as sent
    std::string body;
    std::vector<Part> parts;  // multipart/form-data fields in order
    int connection = 0;       // serial number of the connection that carried it
    std::string localAddress; // the server address the client connected to
    // Value of the first header of that name (case-insensitive), empty when absent.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
  };

  struct Script {
    int status = 200;
    std::string reason;  // default text by status
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // extra header lines
    bool exactHeaders = false;     // send only `headers`: no Content-Length, no Connection
    bool ranges = false;           // answer "Range: bytes=a-b" with 206 and Content-Range
    std::string location;          // adds a Location header (absolute or relative)
    long long contentLength = -1;  // announced length when >= 0 (may be wrong on purpose)
    bool lowerCaseHeaders = false;
    bool interimContinue = false;  // "100 Continue" before the answer, asked or not
    size_t trickleBytes = 0;       // send the body this many bytes at a time ...
    int trickleMs = 0;             // ... with this pause in between
    long long stallAfter = -1;     // send that many body bytes, then hold the connection
    bool stallBeforeHeaders = false;  // read the request, then never answer
    long long resetAfter = -1;     // send that many body bytes, then reset the connection
    int delayMs = 0;               // pause before the answer
    bool close = false;            // close the connection after the answer
    std::string raw;               // when set: sent verbatim in place of an answer, then close
  };

  using Handler = std::function<Script(const Request&)>;

  struct Options {
    std::string bindAddress = "127.0.0.1";  // "0.0.0.0" lets 127.0.0.2 and .3 reach it too
    std::string certPem;                    // both set: serve HTTPS
    std::string keyPem;
  };

  HttpTestServer();
  explicit HttpTestServer(const Options& options);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  bool Start();
  void Stop();
  uint16_t Port() const { return m_port; }
  bool IsTls() const { return m_ctx != nullptr; }
  // "http://host:port/path" (https when serving TLS).
  std::string Url(const std::string& path, const std::string& host = "127.0.0.1") const;

  // Scripts by path (without the query). Unknown paths get the fallback, a 404 by default.
  void Set(const std::string& path, const Script& script);
  void SetBody(const std::string& path, const std::string& body);
  void SetHandler(const std::string& path, Handler handler);
  void SetFallback(const Script& script);

  std::vector<Request> Requests() const;
  std::vector<Request> RequestsFor(const std::string& path) const;
  size_t RequestCount() const;
  bool WaitForRequests(size_t count, int timeoutMs) const;
  int ConnectionCount() const { return m_connections.load(); }
  // Ends every stalled answer now (the connection is closed).
  void ReleaseStalls();

  static std::string RandomBody(size_t size, unsigned seed);

 private:
  struct Conn;
  void AcceptLoop();
  void Serve(int fd, int serial, std::string localAddress);
  bool ServeOne(Conn& c, std::string& buffer, int serial, const std::string& localAddress);
  bool Answer(Conn& c, const Request& req, const Script& s, bool continueSent);
  // Fixed scripts are shared, not copied: a large body costs nothing per request, so an
  // answer starts at once whatever the body's size.
  using SharedScript = std::shared_ptr<const Script>;
  using Source = std::function<SharedScript(const Request&)>;
  SharedScript ScriptFor(const Request& req);
  bool Pause(Conn& c, int ms, bool watchPeer);

  Options m_options;
  void* m_ctx = nullptr;  // SSL_CTX* when serving TLS
  int m_listen = -1;
  uint16_t m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_connections{0};
  std::atomic<unsigned> m_stallGeneration{0};
  std::thread m_acceptThread;

  mutable std::mutex m_lock;
  mutable std::condition_variable m_changed;
  std::map<std::string, Source> m_handlers;
  SharedScript m_fallback;
  std::vector<Request> m_requests;
  std::vector<std::thread> m_threads;
};
