// Number and text conversion. Every number that goes into a file or comes
// out of one passes through these routines: they always write "." and accept
// "." or "," on input, whatever the locale. Also the small text routines
// shared by readers and writers, the 5000-character text buffers, colour and
// shininess conversions, and the line reader and comma-text word splitter
// that every text reader uses.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/Records.h"
#include "model/Types.h"

// The powers of ten that a double holds exactly, 10^0 to 10^22: a number
// conversion that multiplies or divides by one of them rounds only once.
inline constexpr double ExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// ---- Numbers to text ------------------------------------------------------
// A printf-style format applied to x, trimmed, "." as decimal separator.
// Conversions "%[flags][width][.precision]type" with the flags "-", "+", "0"
// and " " and the types f, e, g (C's meaning) and d (x rounded to an integer,
// the precision its least number of digits); "%%" is a percent sign; any
// other conversion ("%s") is copied as written; text around it is kept.
// "%g" without a precision means up to 15 significant digits, "%f" and "%e"
// 6 decimals. No number text ever reads "nan" or "inf": a value that is not
// finite is written as 0, and a result that rounds to zero has no minus sign.
std::string FormatFloatDot(std::string_view format, double x);
// "%7.7g": up to 7 significant digits, exponent form when needed, trimmed.
std::string FloatToText(double x);
// The shortest text of x with up to 15 significant digits ("%.15g" trimmed:
// 0.1, 100, 0.333333333333333, 1e+21), read back by ParseDouble.
std::string FloatToStrDot(double x);
// Appends FloatToStrDot(x) to `out` without any allocation of its own.
void AppendFloatStrDot(std::string& out, double x);
// Writes FloatToStrDot(x) at p (room for 40 bytes) and returns its end.
char* WriteFloatStrDot(char* p, double x);
// x formatted by a picture mask: "0" a required digit, "#" an optional digit,
// "." the decimal point, "E-0" / "E+0" an exponent (a sign only when negative
// / always, then at least as many exponent digits as zeros). Masks in use:
// "0.##", "0.#", "#.#", "#E-0", "0.####". x is rounded half away from zero
// on its 15-digit decimal text. Without an exponent the integer part has at
// least one digit ("#.#" of 0.5 is "0.5", of 1 is "1"); with one, the
// mantissa has one digit before the point ("#E-0" of 0.02 is "2E-2"). Other
// mask characters are ignored. A result of zero has no minus sign.
std::string FormatFloatMaskDot(std::string_view mask, double x);
// The three components each formatted with `format`, joined by `separator`.
std::string FormatVector(std::string_view format, std::string_view separator, const tvector& v);
// Appends FloatToText(x) to `out` without any allocation of its own (writers).
void AppendFloatText(std::string& out, double x);

// ---- Text to numbers ------------------------------------------------------
// Trimmed; empty gives 0; "." and "," are both decimal separators; not a
// number gives 0. "inf", "nan" and hex floats are not numbers.
double TextToFloat(std::string_view s);
// value and code 0, or value 0 and code -1 when the text is not a number.
void ValFloat(std::string_view s, double& value, int32_t& code);
// The decimal integer of s (trimmed); 0 when s is not an integer or is
// outside the int32 range.
int32_t TextToInt(std::string_view s);
// Strict parsers for readers: the whole (trimmed) text must be a number, an
// optional "+" or "-" first. ParseDouble takes "." or "," as the decimal
// point (not both), exponents "e" or "E"; a number too small for a double
// reads as 0, one too large is not a number. Nothing is allocated for
// texts of up to 128 characters.
bool ParseDouble(std::string_view s, double& value);
bool ParseInt(std::string_view s, int64_t& value);

// ---- Booleans and small text routines ---------------------------------
std::string BoolToText(uint8_t b);   // "TRUE" only for exactly 1
bool TextToBool(std::string_view s); // upper case equals "TRUE", no trimming
std::string Trim(std::string_view s);  // blanks and control characters at both ends
std::string_view TrimmedView(std::string_view s);  // the same, as a view into s
std::string UpperCase(std::string_view s);  // ASCII only
std::string LowerCase(std::string_view s);  // ASCII only
bool SameText(std::string_view a, std::string_view b);  // ASCII case-insensitive
bool StartsWithNoCase(std::string_view s, std::string_view prefix);  // the same, for the start of s
void TabsToBlanks(std::string& line);
std::string ReplaceChars(std::string_view chars, char newChar, std::string_view s);
// Trimmed, then every byte outside [0-9a-zA-Z_] becomes "_": the byte length
// stays (a 2-byte UTF-8 letter gives two underscores).
std::string CleanIdentifier(std::string_view s);
// The same, keeping "." too.
std::string CleanFileName(std::string_view s);
std::string PrefixLeadingDigit(std::string_view s);
std::string MakeIdentifierPrefix(std::string_view name);
std::string MakeIdentifier(std::string_view name, bool clean);
bool IsPlainASCII(std::string_view s);
// File name part after the last "/" or "\", without its extension.
std::string ExtractBaseName(std::string_view path);
// File name part after the last "/" or "\".
std::string ExtractFileName(std::string_view path);
// Folder part up to and including the last "/" or "\".
std::string ExtractFilePath(std::string_view path);
// Extension with its point (".obj"), as written; "" when none.
std::string ExtractFileExt(std::string_view path);
// The path with its extension replaced by ext (or ext appended).
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string TextBeforeDigit(std::string_view s);
std::string TextAfterLastDot(std::string_view s);
std::string ByteSizeText(int64_t n);
// "n removed", "no change" or "n added".
std::string CountChangeText(int64_t delta);

// ---- cp1252 ---------------------------------------------------------------
// The code page of text written on Windows (and of the help viewer's
// documents): the Unicode character of a byte (a byte cp1252 leaves
// undefined stands for its own code point), and the byte of a Unicode
// character (nothing when cp1252 has none).
char32_t Cp1252ToUnicode(uint8_t byte);
std::optional<uint8_t> UnicodeToCp1252(char32_t c);
// Appends the UTF-8 form of a character.
void AppendUtf8(std::string& out, char32_t c);
// cp1252 text as UTF-8.
std::string Cp1252ToUtf8(std::string_view text);

// ---- Map file types -------------------------------------------------------
// The image-type keyword of a map file for POV-Ray: the extension in lower
// case, "jpg"/"jif" as "jpeg", "tif" as "tiff"; "bmp" stays "bmp" (the
// renderer on this platform reads BMP by that keyword).
std::string POVImageType(std::string_view fileName);
bool IsPOVImageType(std::string_view keyword, int32_t variant);

// ---- Long text buffers ----------------------------------------------------
std::string BufferToString(const tlongtext& buffer);
// Cuts a text over 5000 characters at 5000 and logs a "<!>" warning (a long
// text must not fail a whole load).
void StringToBuffer(std::string_view s, tlongtext& buffer);
// CR becomes "?" and LF "~", so that a multi-line text fits on one line.
std::string BufferToSingleLine(const tlongtext& buffer);
void SingleLineToBuffer(std::string_view s, tlongtext& buffer);

// ---- Colours and shininess ------------------------------------------------
tvector ColorToVector(int32_t c);
int32_t VectorToColor(const tvector& v);
int32_t FloatPixelToColor(const float pixel[3], double gamma);
double Luminance(double r, double g, double b);
double ShininessToExponent(double s);
double ExponentToShininess(double e);
double ShininessToGL(double s);
double ShininessToPhongSize(double s);
bool IsMaterialInPass(const tmaterial& material, int32_t pass);

bool FaceHasUVs(const tface& face);
bool LineHasNormals(const tline& line);
bool LineHasUVs(const tline& line);

// ---- Files ------------------------------------------------------------
// True when the trimmed name is not empty and names an existing regular file.
// The name is taken exactly as written (no case folding); a backslash counts as "/".
bool FileExistsNonBlank(std::string_view name);

// ---- Text files -----------------------------------------------------------
// A whole text file held in memory once, read line by line. A UTF-8
// byte-order mark at the start is dropped. The lines handed out are views
// into the held text: they stay valid until the next Open.
class TextLineReader {
public:
    TextLineReader() = default;
    explicit TextLineReader(std::string text);
    ~TextLineReader();
    TextLineReader(TextLineReader&& other) noexcept;
    TextLineReader& operator=(TextLineReader&& other) noexcept;
    TextLineReader(const TextLineReader&) = delete;
    TextLineReader& operator=(const TextLineReader&) = delete;
    // Reads the whole file; false when it cannot be opened or read (the
    // reader is then empty). A regular file is mapped into memory rather
    // than copied. A text that does not fit in the memory left (a file that
    // cannot be mapped, read instead) throws std::bad_alloc.
    bool Open(const std::string& fileName);
    bool Eof() const { return pos_ >= size_; }
    // The classic line rule: a CR ends a line; an LF ends a line that is not
    // empty (an LF at the start of a line is skipped). So "a CR LF b" and
    // "a LF LF b" give the lines a and b, while "a CR CR b" gives a, "" and b.
    std::string_view ReadTextLine();
    // Lines ended by CR, LF or CR LF; blank lines are kept. A final line end
    // does not start another line.
    std::string_view ReadLine();
    // Back to the first line, for readers that pass over a file more than once.
    void Rewind();
    std::size_t Position() const { return pos_; }
    std::size_t Size() const { return size_; }
    // The whole text (without a byte-order mark); valid while the reader lives.
    std::string_view Text() const { return {data_, size_}; }

private:
    std::size_t NextCR();
    std::size_t NextLF();
    void Release();
    void Adopt(std::string text);

    std::string owned_;        // the text when it is not mapped
    void* map_ = nullptr;      // the mapped file, or null
    std::size_t mapSize_ = 0;
    const char* data_ = "";
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    // Positions of the next CR and LF at or after pos_ (size_ when there is
    // none), found once per line end so that a scan never repeats.
    std::size_t nextCR_ = NotSearched;
    std::size_t nextLF_ = NotSearched;
    static constexpr std::size_t NotSearched = static_cast<std::size_t>(-1);
};

// Splits one line into words by comma-text rules. The exact rule:
//  1. Blanks and control characters (every byte up to 32) before the first
//     word are skipped; a line of only those has no words.
//  2. A word that starts with a double quote runs to the closing quote; a
//     doubled quote inside stands for one quote; a quote that is never closed
//     runs to the end of the line. Any other word runs up to the next blank,
//     control character or comma (a quote inside such a word is an ordinary
//     character).
//  3. After each word, blanks and control characters are skipped; then one
//     comma, if there is one, and the blanks and control characters after it.
//  4. Then, unless the line has ended, the next word starts at once, so a
//     comma found there gives an empty word: "a,,b" is a, "", b and ",a" is
//     "", a. A comma after a quoted word or after the blanks behind a word
//     belongs to that word, and a comma at the end of the line adds no word:
//     a ,b and "a",b and a,b, each give the two words a and b; so does "a"b.
// The words are views into the line, except quoted words with doubled quotes,
// whose unquoted copies live in the splitter. They stay valid until the next
// Split and while the line's text lives. Nothing is allocated per word once
// the splitter has seen a line with as many words.
class CommaTextSplitter {
public:
    const std::vector<std::string_view>& Split(std::string_view line);
    // The first `limit` words only: the rest of the line is not looked at,
    // so a reader that needs a few words of a line of millions keeps a few.
    const std::vector<std::string_view>& SplitFirst(std::string_view line, std::size_t limit);

private:
    std::string_view Unquote(std::string_view quoted);

    std::vector<std::string_view> words_;
    // A deque keeps its strings in place as it grows, so views into earlier
    // ones stay valid; strings are reused from line to line.
    std::deque<std::string> unquoted_;
    std::size_t unquotedUsed_ = 0;
};
// The words of a line by the same rule, one at a time and none kept: a
// line of millions of words costs no list of them. A word is a view into the
// line, or for a quoted word with doubled quotes into the cursor's own copy;
// it stays valid until the next call of Next.
class CommaTextWords {
public:
    explicit CommaTextWords(std::string_view line);
    // The next word; false after the last.
    bool Next(std::string_view& word);
    // The last word is the cursor's copy (it had doubled quotes), not a view
    // into the line.
    bool Copied() const { return copied_; }

private:
    std::string_view line_;
    std::size_t pos_ = 0;
    std::string unquoted_;
    bool copied_ = false;
};
std::vector<std::string> SplitCommaText(std::string_view line);
// The reverse: words joined by "," and quoted where they hold a blank, a
// comma, a quote or a control character, or are empty; quotes inside a
// quoted word are doubled. SplitCommaText(JoinCommaText(w)) == w.
std::string JoinCommaText(const std::vector<std::string>& words);
