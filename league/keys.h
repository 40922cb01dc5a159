// The board's Ed25519 key pair, and signing and checking the files boards
// exchange. The secret key lives in kordavin.league.key beside the game,
// readable by its owner only.
#pragma once

#include <string>
#include <string_view>

#include "league/packet.h"

constexpr char kSecretKeyFile[] = "kordavin.league.key";
constexpr char kPublicKeyFile[] = "kordavin.league.pub";

// False only when libsodium cannot start (no entropy source).
bool StartSodium();

// Makes a new pair and writes both files into dir (the secret one created
// with mode 0600). Refuses to replace an existing secret key.
bool MakeKeyFiles(const std::string& dir, PublicKey& public_key, std::string& error);

// Reads the secret key; refuses one that anyone but its owner may read.
bool LoadSecretKey(const std::string& dir, SecretKey& secret_key, std::string& error);
bool LoadPublicKey(const std::string& dir, PublicKey& public_key, std::string& error);

// body followed by its signature.
std::string SignPacket(std::string_view body, const SecretKey& secret_key);
// True when the last 64 bytes sign the bytes before them with this key.
bool SignatureMatches(std::string_view bytes, const PublicKey& public_key);

std::string KeyHex(const PublicKey& key);
bool ParseKeyHex(std::string_view text, PublicKey& key);
