#pragma once
// Reading what clockctl printed: its JSON object, a JSON string, its lines.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <string>
#include <vector>

namespace e2e {

// The JSON object in AText; a parse error fails the test.
inline QJsonObject JsonOf(const std::string& AText) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(AText), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << AText;
  return doc.object();
}

inline std::string Str(const QJsonValue& AValue) { return AValue.toString().toStdString(); }

// The lines of AText that end with a newline, without it.
inline std::vector<std::string> Lines(const std::string& AText) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t at; (at = AText.find('\n', start)) != std::string::npos; start = at + 1)
    out.push_back(AText.substr(start, at - start));
  return out;
}

}  // namespace e2e
