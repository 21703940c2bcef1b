#pragma once
// TFileStream: a TStream on a file, through a Windows file handle that it owns.
#include <string>

#include "Handles.h"
#include "Stream.h"

namespace skylaunch {

class TFileStream : public TStream {
 public:
  // Creates `fileName` anew (an existing file is truncated) for reading and writing; others may
  // read it meanwhile. Raises ExceptionLite naming the file and the system's reason when it cannot.
  explicit TFileStream(const std::u16string& fileName);

  size_t Read(void* buffer, size_t count) override;
  // Short when the disk is full or the system refuses the write.
  size_t Write(const void* data, size_t count) override;
  uint64_t Size() const override;
  uint64_t Position() const override;
  void SetPosition(uint64_t position) override;

 private:
  TFileHandle fFile;
};

}  // namespace skylaunch
