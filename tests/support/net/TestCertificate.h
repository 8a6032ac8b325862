// A self-signed certificate and its key, generated at test time, for the HTTPS test server.
#pragma once

#include <string>
#include <vector>

class TestCertificate {
 public:
  // dnsNames and ipAddresses go into the subject alternative names; the first DNS name
  // (or "localhost") is also the common name.
  static TestCertificate Generate(const std::vector<std::string>& dnsNames,
                                  const std::vector<std::string>& ipAddresses = {});

  bool Valid() const { return !m_certPem.empty() && !m_keyPem.empty(); }
  const std::string& CertPem() const { return m_certPem; }
  const std::string& KeyPem() const { return m_keyPem; }

 private:
  std::string m_certPem;
  std::string m_keyPem;
};
