#include "tests/support/net/TestCertificate.h"

#include <atomic>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

std::string BioText(BIO* bio) {
  char* data = nullptr;
  long size = BIO_get_mem_data(bio, &data);
  return size > 0 ? std::string(data, static_cast<size_t>(size)) : std::string();
}

}  // namespace

TestCertificate TestCertificate::Generate(const std::vector<std::string>& dnsNames,
                                          const std::vector<std::string>& ipAddresses) {
  TestCertificate out;
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* cert = X509_new();
  if (!key || !cert) {
    EVP_PKEY_free(key);
    X509_free(cert);
    return out;
  }
  X509_set_version(cert, 2);
  static std::atomic<long> serial{1};
  ASN1_INTEGER_set(X509_get_serialNumber(cert), serial++);
  X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert), 7L * 24 * 3600);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  std::string cn = dnsNames.empty() ? "localhost" : dnsNames.front();
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(cn.c_str()), -1, -1, 0);
  X509_set_issuer_name(cert, name);
  std::string san;
  for (const auto& d : dnsNames) san += (san.empty() ? "DNS:" : ",DNS:") + d;
  for (const auto& ip : ipAddresses) san += (san.empty() ? "IP:" : ",IP:") + ip;
  bool ok = true;
  if (!san.empty()) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, san.c_str());
    ok = ext && X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
  }
  ok = ok && X509_sign(cert, key, EVP_sha256()) > 0;
  if (ok) {
    BIO* cb = BIO_new(BIO_s_mem());
    BIO* kb = BIO_new(BIO_s_mem());
    if (PEM_write_bio_X509(cb, cert) == 1 &&
        PEM_write_bio_PrivateKey(kb, key, nullptr, nullptr, 0, nullptr, nullptr) == 1) {
      out.m_certPem = BioText(cb);
      out.m_keyPem = BioText(kb);
    }
    BIO_free(cb);
    BIO_free(kb);
  }
  X509_free(cert);
  EVP_PKEY_free(key);
  return out;
}
