#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SecureStringCipher.h"

namespace skylaunch {
namespace {

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

TChaCha20Key Rfc8439Key() {
  TChaCha20Key key;
  for (size_t i = 0; i < key.Key.size(); ++i) key.Key[i] = static_cast<uint8_t>(i);
  key.Nonce[7] = 0x4a;
  return key;
}

// RFC 8439, 2.4.2: 114 bytes from block 1, across a block boundary and ending inside a block.
TEST(ChaCha20, EncryptsThePublishedExampleAndRestoresIt) {
  const std::string plain =
      "Ladies and Gentlemen of the class of '99: If I could offer you only one tip for the future, "
      "sunscreen would be it.";
  const std::vector<uint8_t> expected = FromHex(
      "6e2e359a2568f98041ba0728dd0d6981e97e7aec1d4360c20a27afccfd9fae0bf91b65c5524733ab8f593dabcd62b357"
      "1639d624e65152ab8f530c359f0861d807ca0dbf500d6a6156a38e088a22b65e52bc514d16ccf806818ce91ab7793736"
      "5af90bbf74a35be6b40b8eedf2785e42874d");
  std::vector<uint8_t> data(plain.begin(), plain.end());

  ChaCha20Xor(Rfc8439Key(), 1, data.data(), data.size());
  EXPECT_EQ(data, expected);

  ChaCha20Xor(Rfc8439Key(), 1, data.data(), data.size());
  EXPECT_EQ(std::string(data.begin(), data.end()), plain);
}

}  // namespace
}  // namespace skylaunch
