#pragma once
// Files whose contents are on the disk before the call returns: the data is synced, and a file
// just created is made to stay by syncing its folder too. A dump writes its records and pictures
// through these before it lets a clock forget them.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A file opened for appending; every Append returns only once its bytes are on the disk. Write
// leaves the syncing to a later Sync, for writers that make a whole batch durable at once.
class TDurableAppendFile {
 public:
  TDurableAppendFile() = default;
  ~TDurableAppendFile();
  TDurableAppendFile(const TDurableAppendFile&) = delete;
  TDurableAppendFile& operator=(const TDurableAppendFile&) = delete;

  // Opens APath for appending, creating it when missing. AEmpty tells whether the file holds
  // nothing yet (just created, or empty). False with AError ("path: reason") when it cannot be
  // opened.
  bool Open(const std::string& APath, bool& AEmpty, std::string& AError);
  bool IsOpen() const { return FHandle >= 0; }
  // Writes all of ABytes without syncing them.
  bool Write(std::string_view ABytes, std::string& AError);
  // Syncs what was written so far (a pipe or a terminal: nothing to sync).
  bool Sync(std::string& AError);
  void Close();

  // Whether what this file was given can be read back and cut off again (ReadFrom, CutAt): a
  // regular file that could be opened for reading too. Not so for a pipe or a terminal.
  bool CanRewrite() const { return FRewritable; }
  // The file's length as this object has made it: its length when opened, and what was
  // written since.
  std::uint64_t Size() const { return FSize; }
  // The bytes from AOffset to the end. False with AError when they cannot be read, or when the
  // file is no longer as long as Size says (another program wrote to it).
  bool ReadFrom(std::uint64_t AOffset, std::string& ABytes, std::string& AError);
  // Cuts the file off at ALength (no more than Size); what is written next comes after it.
  bool CutAt(std::uint64_t ALength, std::string& AError);

 private:
  int FHandle = -1;
  std::string FPath;
  bool FRegular = false;
  bool FRewritable = false;
  std::uint64_t FSize = 0;
};

enum class TCreateOutcome { Created, Exists, Failed };

// Creates APath only when no file of that name exists, writes ABytes into it and syncs the file
// and its folder. Exists when the name is taken (nothing is written); Failed with AError when it
// cannot be written (a part written is removed again).
TCreateOutcome CreateDurableFile(const std::string& APath, const std::string& ABytes,
                                 std::string& AError);

// Creates the folder APath and the folders above it that are missing. False with AError.
bool MakeFolders(const std::string& APath, std::string& AError);

}  // namespace platform
