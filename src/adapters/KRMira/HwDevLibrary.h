#pragma once
// The vendor libraries of the first kind of face-recognition terminal, as the adapter sees them:
// HwDev_Execute (HwDevComm) carries one text command to a terminal and returns its text reply;
// HDCP_Base64Decode (HDCP_Utils) decodes the photos that come with the records.
//
// The libraries are loaded at run time, by name, from one folder: the folder set with
// SetHwDevLibraryFolder, else the folder named by the environment variable
// CLOCKDIAG_HWDEV_LIB_DIR, else the folder where the program's libraries are (beside it in a
// build folder, <libdir>/clockdiag once installed: utils/ShippedFiles.h). A library that is
// missing, or that lacks its entry point, makes every call fail; nothing raises.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ProgramFile.h"

#define HWDEV_CALL PLATFORM_STDCALL

// The C entry points. The reply and the decoded bytes live in buffers of the library: the caller
// copies them and never frees them.
//   HwDev_Execute: device-description text and its length, command text and its length, out
//   address of the reply text, out reply length, and a reserved argument that is always 0.
//   Result 0: carried out, both out values valid; anything else: failure.
//   HDCP_Base64Decode: the base64 text, and the text length on entry / decoded length on return.
//   Result: the decoded bytes, or null when the text does not decode.
using THwDevExecuteFn = int(HWDEV_CALL*)(const char* ADeviceInfo, int ADeviceInfoLength,
                                         const char* ACommand, int ACommandLength, char** AReply,
                                         int* AReplyLength, void* AReserved);
using THdcpBase64DecodeFn = unsigned char*(HWDEV_CALL*)(const char* AText, int* ALength);

// The libraries' file names on this system (HwDevComm.dll, libHwDevComm.so).
inline const std::string kHwDevCommFile = SharedLibraryFileName("HwDevComm");
inline const std::string kHdcpUtilsFile = SharedLibraryFileName("HDCP_Utils");

// HwDev_Execute's result when the library or its entry point could not be loaded.
inline constexpr int kHwDevLibraryMissing = -1000;

// What the adapter needs of the two libraries. Tests put a scripted terminal in its place.
class IHwDevVendor {
 public:
  virtual ~IHwDevVendor() = default;
  // HwDev_Execute. On 0, AReply is the reply text read up to its first character 0 and cut to
  // the returned length; otherwise AReply is empty.
  virtual int Execute(const std::string& ADeviceInfo, const std::string& ACommand,
                      std::string& AReply) = 0;
  // HDCP_Base64Decode. False (and ABytes empty) when the library is missing or the text does not
  // decode.
  virtual bool Base64Decode(const std::string& AText, std::string& ABytes) = 0;
};

// The entry points as resolved from the libraries; either may be null (missing library).
class THwDevBinding : public IHwDevVendor {
 public:
  THwDevBinding(THwDevExecuteFn AExecute, THdcpBase64DecodeFn ADecode)
      : FExecute(AExecute), FDecode(ADecode) {}
  int Execute(const std::string& ADeviceInfo, const std::string& ACommand,
              std::string& AReply) override;
  bool Base64Decode(const std::string& AText, std::string& ABytes) override;
  bool HasExecute() const { return FExecute != nullptr; }
  bool HasBase64Decode() const { return FDecode != nullptr; }

 private:
  THwDevExecuteFn FExecute;
  THdcpBase64DecodeFn FDecode;
};

// The folder the libraries are loaded from (see the top of this file). An empty AFolder returns
// to the default. The next call through HwDevLibraries() loads from the new folder.
void SetHwDevLibraryFolder(const std::string& AFolder);
std::string HwDevLibraryFolder();

// The binding for the current folder, loaded on first use. A complete one is kept for the life of
// the process; an incomplete one (a library missing) is loaded again on the next call.
std::shared_ptr<IHwDevVendor> HwDevLibraries();
// Whether the current folder's libraries have their entry points (loads them when needed).
bool HwDevLibrariesLoaded();
