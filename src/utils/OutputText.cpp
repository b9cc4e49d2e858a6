#include "utils/OutputText.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void AppendHexEscape(std::string& AOut, unsigned char AByte) {
  AOut += "\\x";
  AOut += kHexDigits[AByte >> 4];
  AOut += kHexDigits[AByte & 0x0F];
}

bool IsControl(char32_t ACode) {
  return ACode < 0x20 || ACode == 0x7F;
}

// Whether ABytes is well-formed UTF-8 without a control character: such a text is shown as it
// is. (The bytes of a multi-byte sequence are all 80h or above, so a control is a single byte.)
// With AForCsv, a comma or a quote also makes it not plain: the field would need quoting.
// Which ASCII bytes a plain text may hold: as it is shown (0), and in a CSV field (1).
struct TPlainAscii {
  bool Allowed[2][0x80] = {};
  constexpr TPlainAscii() {
    for (int b = 0x20; b < 0x7F; ++b) {
      Allowed[0][b] = true;
      Allowed[1][b] = b != ',' && b != '"';
    }
  }
};
constexpr TPlainAscii kPlainAscii;

bool IsPlainUtf8(std::string_view ABytes, bool AForCsv = false) {
  const bool* allowed = kPlainAscii.Allowed[AForCsv ? 1 : 0];
  const auto* at = reinterpret_cast<const unsigned char*>(ABytes.data());
  const auto* end = at + ABytes.size();
  while (at < end) {
    const unsigned char lead = *at;
    if (lead < 0x80) {
      if (!allowed[lead]) return false;
      ++at;
      continue;
    }
    std::size_t length = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      code = lead & 0x07;
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - at) < length) return false;
    for (std::size_t i = 1; i < length; ++i) {
      if ((at[i] & 0xC0) != 0x80) return false;
      code = (code << 6) | (at[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past the last code point are not UTF-8.
    static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
      return false;
    at += length;
  }
  return true;
}

// The text decoded from UTF-8, or from the clocks' code page when it is not UTF-8. Nothing when
// neither decoder can read it (a Qt built without that code page).
bool Decode(const std::string& ABytes, QString& AText) {
  const QByteArray bytes =
      QByteArray::fromRawData(ABytes.data(), static_cast<qsizetype>(ABytes.size()));
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  AText = utf8.decode(bytes);
  if (!utf8.hasError()) return true;
  QStringDecoder codePage("windows-1256", QStringDecoder::Flag::Stateless);
  if (!codePage.isValid()) return false;
  AText = codePage.decode(bytes);
  return !codePage.hasError();
}

// ABytes, which is not plain UTF-8, as ReadableText shows it.
std::string ShownText(const std::string& ABytes) {
  std::string out;
  QString text;
  if (!Decode(ABytes, text)) {
    // Neither reading works: every byte outside printable ASCII is shown by its value.
    for (char ch : ABytes) {
      const auto byte = static_cast<unsigned char>(ch);
      if (IsControl(byte) || byte >= 0x80)
        AppendHexEscape(out, byte);
      else
        out += ch;
    }
    return out;
  }
  // Control characters are all single UTF-16 units; every other unit is kept as it is.
  QString shown;
  shown.reserve(text.size());
  for (const QChar unit : text) {
    if (IsControl(unit.unicode())) {
      std::string escape;
      AppendHexEscape(escape, static_cast<unsigned char>(unit.unicode()));
      shown += QLatin1StringView(escape.data(), static_cast<qsizetype>(escape.size()));
    } else {
      shown += unit;
    }
  }
  out = shown.toStdString();
  return out;
}

// Whether a field that begins with AFirst would be taken for a formula by a spreadsheet.
bool StartsFormula(char AFirst) {
  switch (AFirst) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
      return true;
    default:
      return false;
  }
}

// Whether ABytes goes into its form as it is: plain UTF-8 and, in a CSV field, not taken for a
// formula.
bool IsUnchanged(std::string_view ABytes, bool AForCsv) {
  if (AForCsv && !ABytes.empty() && StartsFormula(ABytes.front())) return false;
  return IsPlainUtf8(ABytes, AForCsv);
}

// What makes a CSV field need quotes.
constexpr std::string_view kCsvSpecials = ",\"\r\n";

}  // namespace

std::string ReadableText(const std::string& ABytes) {
  // Valid UTF-8 without controls, as most card numbers, dates, codes and event texts are, stays
  // as it is.
  if (IsPlainUtf8(ABytes)) return ABytes;
  return ShownText(ABytes);
}

void AppendReadableText(std::string& AOut, std::string_view ABytes) {
  if (IsUnchanged(ABytes, false))
    AOut += ABytes;
  else
    AOut += ShownText(std::string(ABytes));
}

void AppendSafeCsvField(std::string& AOut, std::string_view ABytes) {
  // The common field, plain text that needs neither guard nor quotes, goes in as it is (CR and
  // LF are controls).
  if (IsUnchanged(ABytes, true))
    AOut += ABytes;
  else
    AOut += SafeCsvField(std::string(ABytes));
}

std::string SafeCsvField(const std::string& ABytes) {
  std::string text = ReadableText(ABytes);
  if (!ABytes.empty() && StartsFormula(ABytes.front()))
    text.insert(text.begin(), '\'');
  return QuotedCsvField(text);
}

std::string QuotedCsvField(const std::string& AText) {
  if (AText.find_first_of(kCsvSpecials) == std::string::npos) return AText;
  std::string out = "\"";
  for (char ch : AText) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + "\"";
}

bool TPlainFields::IsPlainField(std::string_view AText) {
  if (Room(AText.size()) && IsUnchanged(AText, FForm == TFieldForm::Csv)) return true;
  FPlain = false;
  return false;
}

void TSafeFields::Field(std::string_view AText, char ASeparator) {
  if (FForm == TFieldForm::Csv)
    AppendSafeCsvField(FOut, AText);
  else
    AppendReadableText(FOut, AText);
  FOut += ASeparator;
}

void TSafeFields::Own(std::string_view AText, char ASeparator) {
  FOut += AText;
  FOut += ASeparator;
}
