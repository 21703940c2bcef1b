#pragma once
// The text rules of the download workflow that need no platform: reading the raw header block,
// the https upgrade of a download address, the catalog body's trimming, the version file's
// bytes, the check that a body arrived whole and is the file the catalog described, and the byte
// ranges that let a cut download go on. Platform-free.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Sha256.h"

namespace skylaunch {

// Cuts the first line off `block` and returns it: the text up to the first CR LF (which is
// dropped), or the whole rest when there is none.
std::u16string_view ExtractLine(std::u16string_view& block);

// The value of the first line of `block` whose upper-case form contains `name` anywhere (the
// status line included): the part after the line's first colon, untrimmed, or the whole line
// when it has no colon. Empty when no line matches. `name` is given in upper case.
std::u16string FindHeaderValue(std::u16string_view block, std::u16string_view name);

// Status code and reason phrase of the block's status line ("HTTP/1.1 200 OK" gives "200" and
// "OK"; "HTTP/1.1 404" gives "404" and an empty reason). False, leaving both untouched, when the
// line has no blank at all.
bool SplitStatusLine(std::u16string_view block, std::u16string& code, std::u16string& reason);

// `url` with its first "http://", in any letter case and wherever it stands, replaced by
// "https://".
std::u16string ForceHttpsScheme(std::u16string_view url);

// `text` without blanks and control characters (U+0000 to U+0020) at either end.
std::u16string TrimBlanksAndControls(std::u16string_view text);

// The version file's bytes: the text as UTF-16LE, no byte-order mark, no terminator.
std::string EncodeVersionText(std::u16string_view text);
// The reverse; an odd final byte is not part of any character and is left out.
std::u16string DecodeVersionText(std::string_view bytes);

// Whether `received` body bytes complete a response that announced `contentLength` (-1: none
// announced, so any count is complete). Both are 32-bit counts, compared modulo 2^32 as the
// announced length was parsed.
bool BodyIsComplete(int32_t contentLength, uint32_t received);

// What the catalog says of a file: its "Size" (compared where above 0) and its "Hash" (compared
// where it is a SHA-256 in hexadecimal; other texts are the deployer's own and are not checked).
struct TCatalogFile {
  int32_t Size = 0;
  std::u16string Hash;
};

// Why a complete download of `size` bytes with that digest is not the file the catalog described,
// for the run log; empty when it is.
std::u16string CatalogMismatch(const TCatalogFile& file, uint32_t size, const TSha256Digest& digest);

// Whether the response offers byte ranges of its body ("Accept-Ranges: bytes").
bool OffersByteRanges(std::u16string_view block);
// The first byte of a partial response ("Content-Range: bytes N-M/T" gives N); none when the
// block has no such line.
std::optional<uint32_t> ContentRangeStart(std::u16string_view block);
// The header lines that ask for a file from byte `offset` on, but only while it is still the file
// last modified at `lastModified` (the header's value as received); otherwise the whole file.
std::u16string RangeRequestHeaders(uint32_t offset, std::u16string_view lastModified);

}  // namespace skylaunch
