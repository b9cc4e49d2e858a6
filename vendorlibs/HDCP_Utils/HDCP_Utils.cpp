// The project's own HDCP_Utils library: HDCP_Base64Decode decodes the base64 text in which a
// face-recognition terminal sends the photo of a record.
#include <QByteArray>
#include <climits>

#if defined(_WIN32)
#define HDCP_EXPORT extern "C" __declspec(dllexport)
#define HDCP_CALL __stdcall
#else
#define HDCP_EXPORT extern "C" __attribute__((visibility("default")))
#define HDCP_CALL
#endif

namespace {
// The bytes handed out by the last call on this thread; valid until the next call.
thread_local QByteArray LastDecoded;
}  // namespace

// AText: base64 text of *ALength characters. Blanks and line breaks in it are ignored; any other
// character outside the base64 alphabet, or a wrong padding, makes it fail. On success *ALength
// holds the decoded length and the result points at the decoded bytes (owned by the library);
// on failure the result is null and *ALength is left as it was.
HDCP_EXPORT unsigned char* HDCP_CALL HDCP_Base64Decode(const char* AText, int* ALength) {
  if (AText == nullptr || ALength == nullptr || *ALength < 0) return nullptr;
  QByteArray text(AText, *ALength);
  text.removeIf([](char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; });
  auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return nullptr;
  LastDecoded = std::move(*decoded);
  *ALength = static_cast<int>(LastDecoded.size());
  // data() points into a buffer of the library even for an empty result (QByteArray keeps a
  // terminating 0), so that null always means failure.
  return reinterpret_cast<unsigned char*>(LastDecoded.data());
}
