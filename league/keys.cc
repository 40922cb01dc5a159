#include "league/keys.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

bool WriteNewFile(const std::string& path, const void* data, size_t size, mode_t mode) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return false;
  // The umask may have taken bits the mode asked for, never added any; set it
  // exactly so the public key is readable by the other users of the BBS.
  fchmod(fd, mode);
  const bool written = write(fd, data, size) == static_cast<ssize_t>(size);
  return close(fd) == 0 && written;
}

bool ReadExactly(const std::string& path, void* data, size_t size, struct stat& info) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                  info.st_size == static_cast<off_t>(size) &&
                  read(fd, data, size) == static_cast<ssize_t>(size);
  close(fd);
  return ok;
}

}  // namespace

bool StartSodium() { return sodium_init() >= 0; }

bool MakeKeyFiles(const std::string& dir, PublicKey& public_key, std::string& error) {
  if (!StartSodium()) {
    error = "libsodium cannot start";
    return false;
  }
  const std::string secret_path = dir + kSecretKeyFile;
  const std::string public_path = dir + kPublicKeyFile;
  if (access(secret_path.c_str(), F_OK) == 0) {
    error = secret_path + " exists already; remove it first to make a new key (members must then be given the new public key)";
    return false;
  }
  SecretKey secret_key{};
  crypto_sign_keypair(public_key.data(), secret_key.data());
  const std::string hex = KeyHex(public_key) + "\n";
  const bool ok = WriteNewFile(secret_path, secret_key.data(), secret_key.size(), 0600);
  sodium_memzero(secret_key.data(), secret_key.size());
  if (!ok) {
    error = "cannot write " + secret_path + ": " + std::strerror(errno);
    return false;
  }
  unlink(public_path.c_str());
  if (!WriteNewFile(public_path, hex.data(), hex.size(), 0644)) {
    error = "cannot write " + public_path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool LoadSecretKey(const std::string& dir, SecretKey& secret_key, std::string& error) {
  const std::string path = dir + kSecretKeyFile;
  struct stat info {};
  if (!ReadExactly(path, secret_key.data(), secret_key.size(), info)) {
    error = "cannot read the secret key " + path + " (run 'kordavin-sysop league keygen')";
    return false;
  }
  if ((info.st_mode & 077) != 0) {
    sodium_memzero(secret_key.data(), secret_key.size());
    error = path + " may be read by others: chmod 600 it, and make a new key if it was seen";
    return false;
  }
  return StartSodium();
}

bool LoadPublicKey(const std::string& dir, PublicKey& public_key, std::string& error) {
  std::ifstream in(dir + kPublicKeyFile);
  std::string hex;
  if (!(in >> hex) || !ParseKeyHex(hex, public_key)) {
    error = "cannot read " + dir + kPublicKeyFile + " (run 'kordavin-sysop league keygen')";
    return false;
  }
  return true;
}

std::string SignPacket(std::string_view body, const SecretKey& secret_key) {
  std::string signed_bytes(body);
  unsigned char signature[crypto_sign_BYTES];
  crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(body.data()),
                       body.size(), secret_key.data());
  signed_bytes.append(reinterpret_cast<const char*>(signature), sizeof signature);
  return signed_bytes;
}

bool SignatureMatches(std::string_view bytes, const PublicKey& public_key) {
  if (bytes.size() < kSignatureBytes || !StartSodium()) return false;
  const size_t body = bytes.size() - kSignatureBytes;
  return crypto_sign_verify_detached(
             reinterpret_cast<const unsigned char*>(bytes.data() + body),
             reinterpret_cast<const unsigned char*>(bytes.data()), body, public_key.data()) == 0;
}

std::string KeyHex(const PublicKey& key) {
  char hex[kPublicKeyBytes * 2 + 1];
  sodium_bin2hex(hex, sizeof hex, key.data(), key.size());
  return hex;
}

bool ParseKeyHex(std::string_view text, PublicKey& key) {
  if (text.size() != kPublicKeyBytes * 2 || !StartSodium()) return false;
  size_t length = 0;
  return sodium_hex2bin(key.data(), key.size(), text.data(), text.size(), nullptr, &length,
                        nullptr) == 0 &&
         length == kPublicKeyBytes;
}
