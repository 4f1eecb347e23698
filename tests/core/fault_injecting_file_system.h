// A file system for tests: the real one, except that the call numbered
// `fail_at` (counting from 0 over every call made) fails with `error`, and
// writes may be cut short. It records the name of every call it was asked to
// make.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/io/file_system.h"

namespace orlindel::testing {

class FaultInjectingFileSystem : public io::FileSystem {
 public:
  int fail_at = -1;
  int error = 0;
  // The most bytes one write request moves.
  size_t max_write = static_cast<size_t>(-1);
  // Runs before each exclusive create, with the name about to be created.
  std::function<void(const std::string&)> before_create;
  std::vector<std::string> calls;

  int Status(const std::string& path, io::FileStatus& status) override {
    if (Fails("Status")) return error;
    return real_.Status(path, status);
  }
  int LinkStatus(const std::string& path, io::FileStatus& status) override {
    if (Fails("LinkStatus")) return error;
    return real_.LinkStatus(path, status);
  }
  int ReadLink(const std::string& path, std::string& target) override {
    if (Fails("ReadLink")) return error;
    return real_.ReadLink(path, target);
  }
  int OpenDescriptor(const std::string& path, bool& named,
                     io::Handle& handle) override {
    named = false;
    if (Fails("OpenDescriptor")) return error;
    return real_.OpenDescriptor(path, named, handle);
  }
  int CreateExclusive(const std::string& path, io::Handle& handle) override {
    if (before_create) before_create(path);
    if (Fails("CreateExclusive")) return error;
    return real_.CreateExclusive(path, handle);
  }
  int OpenForWriting(const std::string& path, io::Handle& handle) override {
    if (Fails("OpenForWriting")) return error;
    return real_.OpenForWriting(path, handle);
  }
  int OpenForReading(const std::string& path, io::Handle& handle) override {
    if (Fails("OpenForReading")) return error;
    return real_.OpenForReading(path, handle);
  }
  int HandleStatus(io::Handle handle, io::FileStatus& status) override {
    if (Fails("HandleStatus")) return error;
    return real_.HandleStatus(handle, status);
  }
  int Read(io::Handle handle, std::span<uint8_t> into, size_t& count) override {
    count = 0;
    if (Fails("Read")) return error;
    const int result = real_.Read(handle, into, count);
    bytes_read += count;
    return result;
  }
  int Write(io::Handle handle, std::span<const uint8_t> bytes,
            size_t& count) override {
    count = 0;
    if (Fails("Write")) return error;
    return real_.Write(handle, bytes.first(std::min(bytes.size(), max_write)),
                       count);
  }
  int SetOwner(io::Handle handle, uint32_t owner, uint32_t group) override {
    if (Fails("SetOwner")) return error;
    return real_.SetOwner(handle, owner, group);
  }
  int SetMode(io::Handle handle, uint32_t mode) override {
    if (Fails("SetMode")) return error;
    return real_.SetMode(handle, mode);
  }
  int CopyAttributes(const std::string& from, io::Handle handle) override {
    if (Fails("CopyAttributes")) return error;
    return real_.CopyAttributes(from, handle);
  }
  int Sync(io::Handle handle) override {
    if (Fails("Sync")) return error;
    return real_.Sync(handle);
  }
  int Close(io::Handle handle) override {
    // A failed close has still released the file, as on Linux.
    const int result = real_.Close(handle);
    return Fails("Close") ? error : result;
  }
  int Rename(const std::string& from, const std::string& to) override {
    if (Fails("Rename")) return error;
    return real_.Rename(from, to);
  }
  int Remove(const std::string& path) override {
    if (Fails("Remove")) return error;
    return real_.Remove(path);
  }
  int SyncFolder(const std::string& path) override {
    if (Fails("SyncFolder")) return error;
    return real_.SyncFolder(path);
  }
  uint32_t NewFileMode() override { return real_.NewFileMode(); }
  uint32_t UserId() override { return real_.UserId(); }
  int CheckWritable(const std::string& path,
                    const io::FileStatus& status) override {
    if (Fails("CheckWritable")) return error;
    return real_.CheckWritable(path, status);
  }

  size_t bytes_read = 0;

 private:
  bool Fails(const char* call) {
    calls.emplace_back(call);
    return std::ssize(calls) - 1 == fail_at;
  }

  io::FileSystem& real_ = io::SystemFileSystem();
};

}  // namespace orlindel::testing
