// SHA-256 of file content, from OpenSSL's libcrypto (which uses the processor's SHA
// instructions where there are any): the hash a listing keeps for every file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct Sha256Digest {
  std::array<uint8_t, 32> bytes{};

  bool operator==(const Sha256Digest&) const = default;
  // 64 lower-case hexadecimal digits, as sha256sum prints it.
  std::string hex() const;
  // From 64 hexadecimal digits (lower case only: the form the program writes); false on
  // anything else.
  static bool fromHex(std::string_view text, Sha256Digest& digest);
};

// One hash being computed. A failure of the library (which only a broken installation or
// exhausted memory causes) makes finish() false.
class Sha256 {
public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void update(const void* data, size_t size);
  // The digest of everything given since construction; false when the library failed.
  [[nodiscard]] bool finish(Sha256Digest& digest);

private:
  struct State;
  std::unique_ptr<State> m_state;
  bool m_failed = false;
};
