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

}  // namespace

std::string ReadableText(const std::string& ABytes) {
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

std::string SafeCsvField(const std::string& ABytes) {
  std::string text = ReadableText(ABytes);
  if (!ABytes.empty() && std::string("=+-@\t\r").find(ABytes.front()) != std::string::npos)
    text.insert(text.begin(), '\'');
  return QuotedCsvField(text);
}

std::string QuotedCsvField(const std::string& AText) {
  if (AText.find_first_of(",\"\r\n") == std::string::npos) return AText;
  std::string out = "\"";
  for (char ch : AText) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + "\"";
}
