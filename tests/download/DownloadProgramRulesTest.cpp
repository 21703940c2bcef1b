// The workflow's platform-free rules: header look-up in a raw block, the status line, the https
// upgrade, trimming, the version file's bytes, the completeness of a body, the byte ranges of a
// resumed download, and the SHA-256 and size that a download is checked against.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "DownloadProgramRules.h"
#include "Sha256.h"

namespace {

using namespace skylaunch;
using namespace std::literals;

constexpr char16_t kBlock[] =
    u"HTTP/1.1 200 OK\r\n"
    u"Content-Type: application/octet-stream\r\n"
    u"Last-Modified: Tue, 05 Mar 2024 18:00:00 GMT\r\n"
    u"Content-Length: 10000\r\n"
    u"X-Second-Content-Length: 5\r\n"
    u"NoColonHere\r\n"
    u"\r\n";

struct THeaderCase {
  const char* Why;
  std::u16string Block;
  std::u16string Name;
  std::u16string Expected;
};

TEST(DownloadProgramRulesTest, FindHeaderValueTakesTheFirstMatchingLineAfterItsColon) {
  const THeaderCase cases[] = {
      {"value keeps its leading blank", kBlock, u"LAST-MODIFIED", u" Tue, 05 Mar 2024 18:00:00 GMT"},
      {"only the first colon splits", u"Last-Modified: a:b\r\n", u"LAST-MODIFIED", u" a:b"},
      {"first line containing the name wins", kBlock, u"CONTENT-LENGTH", u" 10000"},
      {"the name may stand anywhere in the line", kBlock, u"SECOND-CONTENT", u" 5"},
      {"a line without colon gives the whole line", kBlock, u"NOCOLON", u"NoColonHere"},
      {"the status line takes part", kBlock, u"200 OK", u"HTTP/1.1 200 OK"},
      {"absent header", kBlock, u"ETAG", u""},
      {"empty block", u"", u"CONTENT-LENGTH", u""},
      {"last line without CR LF", u"HTTP/1.1 200 OK\r\nLast-Modified:x", u"LAST-MODIFIED", u"x"},
      {"lower-case header names match", u"content-length:12\r\n", u"CONTENT-LENGTH", u"12"},
      {"trailing blanks are kept", u"Last-Modified: a \r\n", u"LAST-MODIFIED", u" a "},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Expected, FindHeaderValue(c.Block, c.Name)) << c.Why;
}

TEST(DownloadProgramRulesTest, ExtractLineCutsAtTheFirstCrLfOrTakesTheRest) {
  std::u16string_view block = u"one\r\ntwo\rstill two\r\n\r\nlast";
  EXPECT_EQ(u"one", ExtractLine(block));
  EXPECT_EQ(u"two\rstill two", ExtractLine(block));
  EXPECT_EQ(u"", ExtractLine(block));
  EXPECT_EQ(u"last", ExtractLine(block));
  EXPECT_TRUE(block.empty());
}

TEST(DownloadProgramRulesTest, StatusLineSplitsAtItsFirstTwoBlanks) {
  struct TCase {
    std::u16string Block;
    bool Split;
    std::u16string Code, Reason;
  } const cases[] = {
      {u"HTTP/1.1 200 OK\r\nA: b\r\n", true, u"200", u"OK"},
      {u"HTTP/1.1 404 Not Found\r\n", true, u"404", u"Not Found"},
      {u"HTTP/1.1 500 \r\n", true, u"500", u""},
      // An error without a reason phrase must not keep the previous response's code.
      {u"HTTP/1.1 404\r\n", true, u"404", u""},
      // Without any blank the previous values stay.
      {u"garbage\r\n", false, u"old", u"previous"},
      {u"", false, u"old", u"previous"},
  };
  for (const auto& c : cases) {
    std::u16string code = u"old", reason = u"previous";
    EXPECT_EQ(c.Split, SplitStatusLine(c.Block, code, reason));
    EXPECT_EQ(c.Code, code);
    EXPECT_EQ(c.Reason, reason);
  }
}

TEST(DownloadProgramRulesTest, OnlyTheFirstPlainSchemeBecomesHttpsInAnyLetterCase) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"http://h/f", u"https://h/f"},
      {u"HTTP://h/f", u"https://h/f"},
      {u"HtTp://h/f?next=http://x", u"https://h/f?next=http://x"},
      {u"https://h/f", u"https://h/f"},
      {u"https://h/f?next=http://x", u"https://h/f?next=https://x"},  // wherever it stands
      {u"ftp://h/f", u"ftp://h/f"},
      {u"", u""},
      {u"http:/h", u"http:/h"},
  };
  for (const auto& [url, expected] : cases) EXPECT_EQ(expected, ForceHttpsScheme(url));
}

TEST(DownloadProgramRulesTest, TrimRemovesBlanksAndControlCharactersAtBothEndsOnly) {
  EXPECT_EQ(u"{\"a\" :\t1}", TrimBlanksAndControls(u"\0\r\n\t {\"a\" :\t1} \x01\x1f\0"sv));
  EXPECT_EQ(u"", TrimBlanksAndControls(u" \r\n\t"));
  EXPECT_EQ(u"\u00a0x\u00a0", TrimBlanksAndControls(u"\u00a0x\u00a0"));  // not a control character
}

TEST(DownloadProgramRulesTest, VersionTextIsUtf16LeWithoutMarkOrTerminator) {
  EXPECT_EQ(std::string(" \0T\0\xe9\0\x3b\x26", 8), EncodeVersionText(u" T\u00e9\u263b"));
  EXPECT_EQ(u"", DecodeVersionText(""));
  EXPECT_TRUE(EncodeVersionText(u"").empty());
  const std::u16string text = u" Tue, 05 Mar 2024 18:00:00 GMT";
  EXPECT_EQ(text.size() * 2, EncodeVersionText(text).size());
  EXPECT_EQ(text, DecodeVersionText(EncodeVersionText(text)));
  EXPECT_EQ(u"A", DecodeVersionText(std::string("A\0B", 3)));  // an odd last byte is no character
}

TEST(DownloadProgramRulesTest, BodyIsCompleteOnlyAtItsAnnouncedLength) {
  EXPECT_TRUE(BodyIsComplete(-1, 0));
  EXPECT_TRUE(BodyIsComplete(-1, 123456));
  EXPECT_TRUE(BodyIsComplete(10000, 10000));
  EXPECT_TRUE(BodyIsComplete(0, 0));
  EXPECT_FALSE(BodyIsComplete(10000, 9999));
  EXPECT_FALSE(BodyIsComplete(10000, 10001));
  EXPECT_FALSE(BodyIsComplete(0, 1));
  // A length beyond 2^31 was parsed with wrap-around; the count wraps the same way.
  EXPECT_TRUE(BodyIsComplete(static_cast<int32_t>(3000000000u), 3000000000u));
}

TEST(DownloadProgramRulesTest, Sha256OfKnownTextsInAnyPiecesOnEitherVersion) {
  const std::string million(1000000, 'a');
  const std::pair<std::string, std::u16string> known[] = {
      {"", u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // 56 bytes: padding needs a block
       u"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {million, u"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const bool accelerated : {false, true}) {
    for (const auto& [text, digest] : known) {
      for (const size_t piece : {size_t{1}, size_t{63}, size_t{4096}}) {
        TSha256 hash(accelerated);
        for (size_t at = 0; at < text.size(); at += piece) hash.Update(text.data() + at, std::min(piece, text.size() - at));
        EXPECT_EQ(digest, Sha256Text(hash.Finish())) << accelerated << " " << text.size() << " " << piece;
      }
    }
  }
  // Where the processor has the extensions, both versions agree on any bytes.
  std::vector<uint8_t> bytes(100003);
  std::mt19937 random(7);
  for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
  TSha256 portable(false), accelerated(true);
  portable.Update(bytes.data(), bytes.size());
  accelerated.Update(bytes.data(), bytes.size());
  EXPECT_EQ(portable.Finish(), accelerated.Finish());
}

TEST(DownloadProgramRulesTest, ADownloadIsCheckedAgainstTheCatalogsSizeAndSha256Only) {
  TSha256 hash;
  hash.Update("abc", 3);
  const TSha256Digest abc = hash.Finish();
  const std::u16string lower = u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  std::u16string upper = lower;
  for (auto& c : upper) c = c >= u'a' && c <= u'f' ? char16_t(c - 32) : c;
  std::u16string other = lower;
  other[63] = u'e';
  EXPECT_EQ(u"", CatalogMismatch({3, lower}, 3, abc));
  EXPECT_EQ(u"", CatalogMismatch({3, upper}, 3, abc));
  EXPECT_EQ(u"", CatalogMismatch({0, lower}, 3, abc));  // no size given
  for (const std::u16string& notChecked : {std::u16string(), std::u16string(u"md5:1234"), lower.substr(1),
                                           lower.substr(0, 63) + u"g"}) {
    EXPECT_EQ(u"", CatalogMismatch({3, notChecked}, 3, abc)) << std::string(notChecked.begin(), notChecked.end());
  }
  EXPECT_EQ(u"2 bytes where the catalog's Size is 3", CatalogMismatch({3, lower}, 2, abc));
  EXPECT_EQ(u"SHA-256 " + lower + u" where the catalog's Hash is " + other, CatalogMismatch({3, other}, 3, abc));
}

TEST(DownloadProgramRulesTest, TheRestOfAFileIsAskedForAndRecognisedByItsByteRange) {
  EXPECT_EQ(u"Range: bytes=4096-\r\nIf-Range: Tue, 05 Mar 2024 18:00:00 GMT",
            RangeRequestHeaders(4096, u" Tue, 05 Mar 2024 18:00:00 GMT"));
  EXPECT_TRUE(OffersByteRanges(u"HTTP/1.1 200 OK\r\naccept-ranges: Bytes\r\n"));
  EXPECT_FALSE(OffersByteRanges(u"HTTP/1.1 200 OK\r\nAccept-Ranges: none\r\n"));
  EXPECT_FALSE(OffersByteRanges(kBlock));
  EXPECT_EQ(4096u, ContentRangeStart(u"HTTP/1.1 206 Partial\r\nContent-Range: bytes 4096-9999/10000\r\n"));
  EXPECT_EQ(std::nullopt, ContentRangeStart(u"HTTP/1.1 206 Partial\r\nContent-Range: bytes */10000\r\n"));
  EXPECT_EQ(std::nullopt, ContentRangeStart(u"HTTP/1.1 206 Partial\r\nContent-Range: items 1-2/3\r\n"));
  EXPECT_EQ(std::nullopt, ContentRangeStart(u"HTTP/1.1 206 Partial\r\nContent-Range: bytes 99999999999-\r\n"));
  EXPECT_EQ(std::nullopt, ContentRangeStart(kBlock));
}

}  // namespace
