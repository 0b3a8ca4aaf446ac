// Text codecs and CP932 byte rules.
//
// In memory every text is UTF-8. The system's own files are CP932 (Windows-31J) on
// disk; logs may also be JIS (ISO-2022-JP), EUC-JP or UTF-8. Conversion happens only
// where such a file is read or written. Byte limits of the file formats are measured
// on the CP932 form of a text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// True for a byte that starts a two-byte CP932 character.
inline bool isCp932Lead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Result of an encoding step. `ok` is false when the input held a character the
// target cannot represent (or an invalid sequence); `bad` then names the first such
// character (as UTF-8, or as "\xNN" for undecodable bytes) so the caller can say which.
struct Conversion {
    std::string text;
    bool ok = true;
    std::string bad;
};

// CP932 bytes to UTF-8. Undecodable bytes become U+FFFD and make the result not ok.
Conversion cp932ToUtf8(std::string_view cp932);
// The same decoding done by iconv directly, without the lookup table (tests compare
// the two).
Conversion cp932ToUtf8ByIconv(std::string_view cp932);
// UTF-8 to CP932 bytes. A character without a CP932 form makes the result not ok;
// it is then left out of `text` and named in `bad`.
Conversion utf8ToCp932(std::string_view utf8);

// Convenience forms for texts known to be representable (or where a lossy result is
// acceptable, such as display of untrusted file contents).
std::string fromCp932(std::string_view cp932);
std::string toCp932(std::string_view utf8);

// Length of the CP932 form of a UTF-8 text; characters without a CP932 form count two
// bytes (the width they would take as a full-width replacement).
std::size_t cp932Length(std::string_view utf8);

// The longest prefix of a UTF-8 text whose CP932 form fits `maxBytes` bytes, never
// splitting a character.
std::string cutToCp932(std::string_view utf8, std::size_t maxBytes);

// Cut a CP932 byte string to at most `maxBytes` bytes without splitting a two-byte
// character.
std::string_view cutCp932Bytes(std::string_view cp932, std::size_t maxBytes);

// True when the UTF-8 text is valid and every character has a CP932 form.
bool fitsCp932(std::string_view utf8);

// Number of bytes of the UTF-8 sequence that starts with `b` (1 for invalid bytes).
std::size_t utf8SeqLen(unsigned char b);
// True when `s` is well-formed UTF-8.
bool isValidUtf8(std::string_view s);

// The kanji code of a log file, as projects store it.
enum class InputCode { Sjis = 0, Jis = 1, EucJp = 2, Utf8 = 3 };

// Decodes the lines of a log file to UTF-8. For JIS the shift state (ASCII, JIS X 0208,
// half-width kana) is carried from one line to the next, so one decoder object must
// see the lines of one file in order.
class LineDecoder {
public:
    explicit LineDecoder(InputCode code);
    // Decode one line (without its line break). Returns false when the line held bytes
    // that are not valid in the code; they are replaced by U+FFFD in `out`.
    bool decode(std::string_view line, std::string& out);
    void reset();
    InputCode code() const { return code_; }

private:
    InputCode code_;
    enum class JisMode { Ascii, Kanji, Kana } mode_ = JisMode::Ascii;
    bool shiftOut_ = false;  // SO/SI half-width kana shift
};

}  // namespace base
