#include "tests/support/net/DnsTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>

namespace {

void Put16(std::string& out, unsigned v) {
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
  out.push_back(static_cast<char>(v & 0xFF));
}

// Reads the question name of a query (labels only); false when malformed.
bool QuestionName(const std::string& q, std::string& name, size_t& end) {
  size_t pos = 12;
  name.clear();
  while (pos < q.size()) {
    unsigned len = static_cast<unsigned char>(q[pos]);
    if (len == 0) {
      end = pos + 1;
      return true;
    }
    if (len >= 64 || pos + 1 + len > q.size()) return false;
    if (!name.empty()) name += '.';
    name.append(q, pos + 1, len);
    pos += 1 + len;
  }
  return false;
}

}  // namespace

DnsTestServer::DnsTestServer() = default;

DnsTestServer::~DnsTestServer() { Stop(); }

std::string DnsTestServer::EncodeName(const std::string& name) {
  std::string out;
  size_t start = 0;
  while (start <= name.size()) {
    size_t dot = name.find('.', start);
    std::string label = name.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (!label.empty()) {
      out.push_back(static_cast<char>(label.size()));
      out += label;
    }
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  out.push_back('\0');
  return out;
}

std::string DnsTestServer::BuildReply(const std::string& query, const Reply& reply) {
  std::string name;
  size_t qend = 0;
  if (query.size() < 12 || !QuestionName(query, name, qend) || qend + 4 > query.size())
    return std::string();
  if (!reply.raw.empty()) {
    std::string raw = reply.raw;
    if (reply.patchId && raw.size() >= 2) raw.replace(0, 2, query.substr(0, 2));
    return raw;
  }
  std::string out = query.substr(0, 2);
  if (reply.wrongId) out[1] = static_cast<char>(out[1] ^ 0x5A);
  unsigned flags = 0x8180 | (reply.rcode & 0xF) | (reply.truncated ? 0x0200 : 0);
  Put16(out, flags);
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(reply.answers.size()));
  Put16(out, 0);
  Put16(out, 0);
  out.append(query, 12, qend + 4 - 12);
  for (const auto& r : reply.answers) {
    if (reply.compress)
      Put16(out, 0xC00C);
    else
      out += EncodeName(name);
    Put16(out, r.type);
    Put16(out, 1);
    Put16(out, 0);
    Put16(out, 60);
    std::string data;
    if (r.type == 1) {
      in_addr a{};
      ::inet_pton(AF_INET, r.data.c_str(), &a);
      data.assign(reinterpret_cast<const char*>(&a), 4);
    } else if (r.type == 5 && reply.compress && r.data.size() > name.size() &&
               r.data.compare(r.data.size() - name.size(), name.size(), name) == 0 &&
               r.data[r.data.size() - name.size() - 1] == '.') {
      // "www.<question>": the tail becomes a pointer to the question name.
      data = EncodeName(r.data.substr(0, r.data.size() - name.size() - 1));
      data.pop_back();
      Put16(data, 0xC00C);
    } else {
      data = EncodeName(r.data);
    }
    Put16(out, static_cast<unsigned>(data.size()));
    out += data;
  }
  return out;
}

bool DnsTestServer::Start(const std::string& bindAddress) {
  m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (m_fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  if (::inet_pton(AF_INET, bindAddress.c_str(), &addr.sin_addr) != 1 ||
      ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(m_fd);
    m_fd = -1;
    return false;
  }
  socklen_t len = sizeof addr;
  ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
  m_port = ntohs(addr.sin_port);
  m_stop = false;
  m_thread = std::thread(&DnsTestServer::Loop, this);
  return true;
}

void DnsTestServer::Stop() {
  if (m_fd < 0) return;
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  ::close(m_fd);
  m_fd = -1;
}

void DnsTestServer::Set(const std::string& name, const std::vector<Reply>& replies) {
  std::lock_guard<std::mutex> g(m_lock);
  m_scripts[name] = replies;
}

void DnsTestServer::SetAddresses(const std::string& name, const std::vector<std::string>& addresses) {
  Reply r;
  for (const auto& a : addresses) r.answers.push_back(Record{1, a});
  Set(name, {r});
}

std::vector<std::string> DnsTestServer::QueriedNames() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_names;
}

std::string DnsTestServer::LastQuery() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_lastQuery;
}

void DnsTestServer::Loop() {
  while (!m_stop) {
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buf[2048];
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    ssize_t n = ::recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n <= 0) continue;
    std::string query(buf, static_cast<size_t>(n));
    std::string name;
    size_t qend = 0;
    if (query.size() < 12 || !QuestionName(query, name, qend)) continue;
    std::vector<Reply> replies;
    {
      std::lock_guard<std::mutex> g(m_lock);
      m_names.push_back(name);
      m_lastQuery = query;
      auto it = m_scripts.find(name);
      if (it != m_scripts.end()) {
        replies = it->second;
      } else {
        Reply nx;
        nx.rcode = 3;
        replies.push_back(nx);
      }
    }
    ++m_queries;
    for (const auto& r : replies) {
      if (r.silent) continue;
      std::string out = BuildReply(query, r);
      if (!out.empty())
        ::sendto(m_fd, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
    }
  }
}
