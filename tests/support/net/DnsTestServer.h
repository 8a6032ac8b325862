// A UDP name server for tests: answers A and CNAME queries from a script, with or without
// compression pointers, and can misbehave (wrong ids, error codes, truncation, raw bytes).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DnsTestServer {
 public:
  struct Record {
    uint16_t type = 1;  // 1 A ("1.2.3.4"), 5 CNAME (a name)
    std::string data;
  };

  struct Reply {
    std::vector<Record> answers;
    int rcode = 0;
    bool truncated = false;
    bool wrongId = false;
    bool compress = true;     // answer names as a pointer to the question
    std::string raw;          // when set: sent in place of a built reply
    bool patchId = true;      // write the query's id into the first two bytes of `raw`
    bool silent = false;      // send nothing for this reply
  };

  DnsTestServer();
  ~DnsTestServer();
  DnsTestServer(const DnsTestServer&) = delete;
  DnsTestServer& operator=(const DnsTestServer&) = delete;

  bool Start(const std::string& bindAddress = "127.0.0.1");
  void Stop();
  uint16_t Port() const { return m_port; }

  // Every query for `name` is answered with these datagrams, in order. Names without a
  // script get RCODE 3 (no such name).
  void Set(const std::string& name, const std::vector<Reply>& replies);
  // Shortcut: one reply holding one A record for each address.
  void SetAddresses(const std::string& name, const std::vector<std::string>& addresses);

  int QueryCount() const { return m_queries.load(); }
  std::vector<std::string> QueriedNames() const;
  // The last query datagram as received.
  std::string LastQuery() const;

  // Encodes a name as labels, for building raw replies.
  static std::string EncodeName(const std::string& name);
  static std::string BuildReply(const std::string& query, const Reply& reply);

 private:
  void Loop();

  int m_fd = -1;
  uint16_t m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_queries{0};
  std::thread m_thread;
  mutable std::mutex m_lock;
  std::map<std::string, std::vector<Reply>> m_scripts;
  std::vector<std::string> m_names;
  std::string m_lastQuery;
};
