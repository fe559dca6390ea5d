#pragma once

#include <string>

// A file written under a temporary name beside its destination and moved there only once it is
// complete, so that a failed or interrupted write never leaves a broken file under the real name.
// Owns the temporary file: it is removed unless commit() moved it.
class PendingFile {
  public:
    // Creates the empty temporary file; throws std::runtime_error when the folder is not writable.
    explicit PendingFile(std::string destination);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& path() const { return path_; }

    // Moves the file to its destination; without `replace` it refuses (throws) when the
    // destination exists by then, never overwriting it.
    void commit(bool replace);

  private:
    std::string destination_;
    std::string path_;
    bool committed_ = false;
};
