#include "engine/Sha256.h"

#include <openssl/evp.h>

struct Sha256::State {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  ~State() { EVP_MD_CTX_free(context); }
};

std::string Sha256Digest::hex() const {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(64);
  for (const uint8_t byte : bytes) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0xF];
  }
  return text;
}

bool Sha256Digest::fromHex(std::string_view text, Sha256Digest& digest) {
  if (text.size() != 64) return false;
  const auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < 32; ++i) {
    const int high = value(text[2 * i]);
    const int low = value(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    digest.bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return true;
}

Sha256::Sha256() : m_state(std::make_unique<State>()) {
  m_failed = m_state->context == nullptr || EVP_DigestInit_ex(m_state->context, EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, size_t size) {
  if (m_failed || size == 0) return;
  m_failed = EVP_DigestUpdate(m_state->context, data, size) != 1;
}

bool Sha256::finish(Sha256Digest& digest) {
  if (m_failed) return false;
  unsigned int length = 0;
  m_failed = EVP_DigestFinal_ex(m_state->context, digest.bytes.data(), &length) != 1 || length != digest.bytes.size();
  return !m_failed;
}
